/* Prints what Windows programs learn of a drive: its type, volume label and serial number, as setups of the
 * time checked that the right CD was in the drive. Usage: volume_info D:\ */
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
    char label[MAX_PATH + 1] = "";
    DWORD serial = 0;
    if (argc < 2 || !GetVolumeInformationA(argv[1], label, sizeof label, &serial, NULL, NULL, NULL, 0)) {
        printf("error %lu\n", (unsigned long)GetLastError());
        return 1;
    }
    printf("type %u label %s serial %08lX\n", GetDriveTypeA(argv[1]), label, (unsigned long)serial);
    return 0;
}

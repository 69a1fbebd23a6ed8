; INSTALL.EXE of the sample CD's DOS game: asks where to install (the directory given as argument, else the
; one typed, else C:\ZUBR), copies every file of DATA\ beside it into that directory, makes the saved-game
; directory and leaves the directory in the Windows directory for WRITEINI.EXE, which the menu's batch runs
; next.
%include "dos_exe.inc"

start:
    mov di, target
    call read_arguments
    jcxz .ask
    jmp .install
.ask:
    mov dx, question
    call print
    mov dx, answer
    mov ah, 0Ah
    int 21h
    mov dx, new_line
    call print
    mov cl, [answer + 1]
    xor ch, ch
    jcxz .default
    mov si, answer + 2
    mov di, target
    rep movsb
    mov byte [di], 0
    jmp .install
.default:
    mov si, default_target
    mov di, target
    call append
    mov byte [di], 0
.install:
    call make_directories
    jc .failed
    call copy_data
    jc .failed
    mov si, saves_dir
    call make_directory
    mov si, saves_file
    mov dx, empty_slot
    mov cx, empty_slot_end - empty_slot
    call write_file
    jc .failed
    ; The directory for WRITEINI.EXE, as one line.
    mov si, target
    mov di, line
    call append
    mov ax, 0A0Dh
    stosw
    mov cx, di
    sub cx, line
    mov dx, line
    mov si, hand_off
    call write_file
    jc .failed
    mov dx, done
    call print
    mov al, 0
    jmp exit
.failed:
    mov dx, failed
    call print
    mov al, 1
    jmp exit

; Makes the directory at DS:SI; one that exists already is fine.
make_directory:
    mov dx, si
    mov ah, 39h
    int 21h
    ret

; Makes the target directory and every directory above it that is missing; CF when it is not there after.
make_directories:
    mov si, target + 3          ; past "C:\"
.next:
    lodsb
    test al, al
    jz .last
    cmp al, '\'
    jne .next
    mov byte [si - 1], 0
    push si
    mov si, target
    call make_directory
    pop si
    mov byte [si - 1], '\'
    jmp .next
.last:
    mov si, target
    call make_directory
    ; Whether it is there now: change into it and back.
    mov dx, target
    mov ax, 4300h               ; its attributes
    int 21h
    jc .missing
    test cl, 10h
    jnz .present
.missing:
    stc
    ret
.present:
    clc
    ret

; Copies every file of DATA\ into the target directory; CF when one cannot be copied.
copy_data:
    mov dx, dta
    mov ah, 1Ah
    int 21h
    mov dx, data_pattern
    xor cx, cx
    mov ah, 4Eh
.next:
    int 21h
    jc .done                    ; no (more) files
    call copy_one
    jc .failed
    mov ah, 4Fh
    jmp .next
.done:
    clc
    ret
.failed:
    stc
    ret

; Copies the file found (its name in the DTA) from DATA\ into the target directory.
copy_one:
    mov di, source
    mov si, data_dir
    call append
    mov si, dta + 1Eh
    call append
    mov byte [di], 0
    mov di, destination
    mov si, target
    call append
    mov al, '\'
    stosb
    mov si, dta + 1Eh
    call append
    mov byte [di], 0
    mov dx, copying
    call print
    mov si, dta + 1Eh
    call print_name
    mov dx, new_line
    call print
    mov si, source
    mov dx, buffer
    mov cx, buffer_bytes
    call read_file
    jc .failed
    cmp ax, buffer_bytes        ; the sample's files are small; a larger one is refused, not cut
    je .failed
    mov cx, ax
    mov si, destination
    mov dx, buffer
    jmp write_file
.failed:
    stc
    ret

; Writes the ASCIIZ name at DS:SI.
print_name:
    lodsb
    test al, al
    jz .done
    mov dl, al
    mov ah, 02h
    int 21h
    jmp print_name
.done:
    ret

question:       db 'Zubr: Pan pralesa - installation', 13, 10
                db 'Install into which directory? [C:\ZUBR] $'
new_line:       db 13, 10, '$'
copying:        db 'Copying $'
done:           db 'Zubr is installed.', 13, 10, '$'
failed:         db 'The installation failed.', 13, 10, '$'
default_target: db 'C:\ZUBR', 0
data_dir:       db 'DATA\', 0
data_pattern:   db 'DATA\*.*', 0
saves_dir:      db 'C:\ZUBRSAVE', 0
saves_file:     db 'C:\ZUBRSAVE\SLOT1.SAV', 0
empty_slot:     db 'empty slot', 13, 10
empty_slot_end:
hand_off:       db 'C:\WINDOWS\TAVOXDIR.TMP', 0
answer:         db 60, 0
                times 62 db 0
target:         times 130 db 0
source:         times 80 db 0
destination:    times 200 db 0
line:           times 140 db 0
dta:            times 64 db 0

DOS_EXE_END

buffer equ 1000h
buffer_bytes equ 8000h

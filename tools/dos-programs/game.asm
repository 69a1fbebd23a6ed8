; ZUBR.EXE of the sample CD: the DOS game. It says hello and leaves PLAYED.TXT in the directory it was
; started from, naming that directory, so that a test sees it ran and where.
%include "dos_exe.inc"

start:
    mov dx, hello
    call print
    mov di, line
    mov si, played
    call append
    mov ah, 19h                 ; the current drive
    int 21h
    add al, 'A'
    stosb
    mov ax, '\' << 8 | ':'
    stosw
    mov si, di                  ; the current directory, after "X:\"
    xor dl, dl
    mov ah, 47h
    int 21h
    jc .failed
    call text_length
    add di, cx
    mov ax, 0A0Dh
    stosw
    mov cx, di
    sub cx, line
    mov dx, line
    mov si, file_name
    call write_file
    jc .failed
    mov al, 0
    jmp exit
.failed:
    mov al, 1
    jmp exit

hello:     db 'Zubr: Pan pralesa. The bison thank you for playing.', 13, 10, '$'
played:    db 'Zubr was played in ', 0
file_name: db 'PLAYED.TXT', 0
line:      times 120 db 0

DOS_EXE_END

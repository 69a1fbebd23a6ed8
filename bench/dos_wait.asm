; WAIT.COM: a DOS program that keeps DOSBox busy for five seconds (91 ticks of the BIOS clock), as an
; installer copying files would, then ends.
bits 16
org 100h
    xor ah, ah
    int 1Ah                     ; CX:DX = ticks since midnight
    mov bx, dx
.wait:
    xor ah, ah
    int 1Ah
    mov ax, dx
    sub ax, bx
    cmp ax, 91
    jb .wait
    mov ax, 4C00h
    int 21h

; WRITEINI.EXE of the sample CD: after a DOS installer, records the directory it left in the Windows
; directory under the item name given as argument, in the menu's settings file: key NAME of section
; [SETTINGS_SECTION] (given when assembling), the rest of the file kept as it was. Without a directory left
; (the installer was cancelled) it records nothing.
%include "dos_exe.inc"

%ifndef SETTINGS_SECTION
%error "assemble with -DSETTINGS_SECTION=..."
%endif

start:
    mov di, item_name
    call read_arguments
    jcxz .usage
    mov si, hand_off
    mov dx, directory
    mov cx, 127
    call read_file
    jc .nothing
    mov si, directory
    add si, ax
    mov byte [si], 0
    mov dx, hand_off
    mov ah, 41h                 ; a later batch must not find it again
    int 21h
    mov si, directory
.line_end:
    lodsb
    cmp al, 13
    je .cut
    cmp al, 10
    je .cut
    test al, al
    jnz .line_end
.cut:
    mov byte [si - 1], 0
    cmp byte [directory], 0
    je .nothing
    call load_settings
    jc .failed
    call rewrite
    mov cx, [out]
    sub cx, output
    mov dx, output
    mov si, settings
    call write_file
    jc .failed
.nothing:
    mov al, 0
    jmp exit
.usage:
    mov dx, usage
    call print
    mov al, 2
    jmp exit
.failed:
    mov dx, failed
    call print
    mov al, 1
    jmp exit

; Reads the settings file into `input` (a missing file is an empty one); SI = its end. CF when it is too
; large to be rewritten whole.
load_settings:
    mov si, settings
    mov dx, input
    mov cx, input_bytes
    call read_file
    jnc .read
    xor ax, ax
.read:
    cmp ax, input_bytes
    je .too_large
    mov si, input
    add si, ax
    mov [input_end], si
    clc
    ret
.too_large:
    stc
    ret

; Copies the settings from `input` to `output` (up to [out]) with the item's line set in its section.
rewrite:
    mov si, input
    mov word [out], output
    mov byte [inside], 0
    mov byte [seen], 0
    mov byte [done], 0
.line:
    cmp si, [input_end]
    jae .end
    ; The line from SI: its end (without CR LF) and the start of the next one.
    mov [line_start], si
.scan:
    cmp si, [input_end]
    jae .scanned
    lodsb
    cmp al, 10
    jne .scan
    dec si
.scanned:
    mov bx, si                  ; the end of the line, before LF
    cmp si, [input_end]
    jae .no_lf
    inc si
.no_lf:
    cmp bx, [line_start]
    je .trimmed_cr
    cmp byte [bx - 1], 13
    jne .trimmed_cr
    dec bx
.trimmed_cr:
    mov [line_end], bx
    mov [next_line], si
    call classify_line
    mov si, [next_line]
    jmp .line
.end:
    cmp byte [done], 0
    jne .finished
    cmp byte [seen], 0
    jne .entry
    mov di, [out]
    mov si, section_header
    call append
    mov [out], di
    call new_line
.entry:
    call write_entry
.finished:
    ret

; Handles the line from [line_start] to [line_end], writing what belongs into the output.
classify_line:
    mov si, [line_start]
    mov bx, [line_end]
    call trim
    ; A section header: [name]
    mov cx, bx
    sub cx, si
    cmp cx, 2
    jb .other
    cmp byte [si], '['
    jne .other
    cmp byte [bx - 1], ']'
    jne .other
    cmp byte [inside], 0
    je .header
    cmp byte [done], 0
    jne .header
    push si
    push bx
    call write_entry
    pop bx
    pop si
.header:
    inc si
    dec bx
    mov dx, section_name
    call equals_name
    mov [inside], al
    or [seen], al
    jmp copy_line
.other:
    cmp byte [inside], 0
    je copy_line
    cmp byte [done], 0
    jne copy_line
    ; key=value: the key up to '=', without the blanks before it.
    mov di, si
.find_equals:
    cmp di, bx
    je copy_line
    cmp byte [di], '='
    je .key
    inc di
    jmp .find_equals
.key:
    cmp di, si
    je copy_line
    mov bx, di
    call trim
    mov dx, item_name
    call equals_name
    test al, al
    jz copy_line
    jmp write_entry             ; replaces the old line

; Copies the line from [line_start] to [line_end] and a CR LF to the output at [out].
copy_line:
    mov di, [out]
    mov si, [line_start]
    mov cx, [line_end]
    sub cx, si
    rep movsb
    mov [out], di
    jmp new_line

; Writes "name=directory" and a CR LF to the output.
write_entry:
    mov di, [out]
    mov si, item_name
    call append
    mov al, '='
    stosb
    mov si, directory
    call append
    mov [out], di
    mov byte [done], 1
    ; fall through
new_line:
    mov di, [out]
    mov ax, 0A0Dh
    stosw
    mov [out], di
    ret

; Moves SI forward and BX back over blanks and tabs.
trim:
    cmp si, bx
    je .end
    cmp byte [si], ' '
    je .front
    cmp byte [si], 9
    jne .back
.front:
    inc si
    jmp trim
.back:
    cmp byte [bx - 1], ' '
    je .drop
    cmp byte [bx - 1], 9
    jne .end
.drop:
    dec bx
    jmp .back
.end:
    ret

; AL = 1 when the text from SI to BX equals the ASCIIZ name at DX, ignoring the case of ASCII letters.
equals_name:
    push si
    push di
    mov di, dx
.next:
    cmp si, bx
    je .text_end
    mov al, [si]
    call upper
    mov ah, al
    mov al, [di]
    call upper
    cmp al, ah
    jne .different
    inc si
    inc di
    jmp .next
.text_end:
    cmp byte [di], 0
    jne .different
    mov al, 1
    jmp .done
.different:
    mov al, 0
.done:
    pop di
    pop si
    ret

upper:
    cmp al, 'a'
    jb .done
    cmp al, 'z'
    ja .done
    sub al, 'a' - 'A'
.done:
    ret

usage:          db 'usage: WRITEINI.EXE ITEM', 13, 10, '$'
failed:         db 'WRITEINI: the settings file cannot be written.', 13, 10, '$'
hand_off:       db 'C:\WINDOWS\TAVOXDIR.TMP', 0
settings:       db 'C:\WINDOWS\TAVOX.INI', 0
section_header: db '[', SETTINGS_SECTION, ']', 0
section_name:   db SETTINGS_SECTION, 0
inside:         db 0
seen:           db 0
done:           db 0
input_end:      dw 0
line_start:     dw 0
line_end:       dw 0
next_line:      dw 0
out:            dw output
item_name:      times 130 db 0
directory:      times 130 db 0

DOS_EXE_END

input equ 1000h
input_bytes equ 6000h
output equ 7000h

; Every 14-bit PIC16 instruction with a spread of operands, for cross-checking the
; listing's decoder against gpdasm. Rebuild the .hex and the reference disassembly
; with viewers_all_instructions.sh after changing this file.
        errorlevel -302, -224

        org     0

; Byte-oriented instructions with a destination: every register for MOVF, the
; named registers and a few others for the rest.
r = 0
        while r < 0x80
        movf    r, 0
        movf    r, 1
r = r + 1
        endw

byteops macro reg
        subwf   reg, 0
        subwf   reg, 1
        decf    reg, 0
        decf    reg, 1
        iorwf   reg, 0
        iorwf   reg, 1
        andwf   reg, 0
        andwf   reg, 1
        xorwf   reg, 0
        xorwf   reg, 1
        addwf   reg, 0
        addwf   reg, 1
        comf    reg, 0
        comf    reg, 1
        incf    reg, 0
        incf    reg, 1
        decfsz  reg, 0
        decfsz  reg, 1
        rrf     reg, 0
        rrf     reg, 1
        rlf     reg, 0
        rlf     reg, 1
        swapf   reg, 0
        swapf   reg, 1
        incfsz  reg, 0
        incfsz  reg, 1
        movwf   reg
        clrf    reg
        movwf   reg | 0x80
        endm

r = 0
        while r < 0x10
        byteops r
r = r + 1
        endw
        byteops 0x20
        byteops 0x55
        byteops 0x7F

; Bit-oriented instructions: every bit of the named registers and a few others.
bitops  macro reg
bn = 0
        while bn < 8
        bcf     reg, bn
        bsf     reg, bn
        btfsc   reg, bn
        btfss   reg, bn
bn = bn + 1
        endw
        endm

r = 0
        while r < 0x10
        bitops  r
r = r + 1
        endw
        bitops  0x21
        bitops  0x7F

; Literal instructions: every literal for MOVLW and RETLW, a spread for the rest.
k = 0
        while k < 0x100
        movlw   k
        retlw   k
k = k + 1
        endw

k = 0
        while k < 0x100
        iorlw   k
        andlw   k
        xorlw   k
        sublw   k
        addlw   k
k = k + 0x0B
        endw
        iorlw   0xFF
        andlw   0xFF
        xorlw   0xFF
        sublw   0xFF
        addlw   0xFF

; Jumps and calls across the whole 2K target range.
t = 0
        while t < 0x800
        call    t
        goto    t
t = t + 0x1D
        endw
        call    0x7FF
        goto    0x7FF
        call    4
        goto    4
        call    5
        goto    5

; The rest of the instruction set.
        nop
        clrw
        return
        retfie
        sleep
        clrwdt

; Encodings gpasm never produces: every value of the group with bits 13..8 all
; zero (NOP, RETURN, ..., MOVWF, and the unused codes), don't-care bits of CLRW,
; MOVLW, RETLW, SUBLW and ADDLW, and the unused group 0x3B.
v = 0
        while v < 0x100
        dw      v
v = v + 1
        endw
        dw      0x0100, 0x0101, 0x0102, 0x0155, 0x017F
        dw      0x3100, 0x3255, 0x33FF, 0x3541, 0x3642, 0x37FF
        dw      0x3C10, 0x3D20, 0x3E30, 0x3F40
        dw      0x3B00, 0x3B41, 0x3BFF

        end

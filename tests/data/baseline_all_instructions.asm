; Every baseline (12-bit) PIC instruction with a spread of operands, and every
; kind of word that is no instruction, for cross-checking the listing's decoder
; against gpdasm. It fits the 512 words of the 12F508. Rebuild the .hex and the
; reference disassembly with baseline_all_instructions.sh after changing this file.
        errorlevel -224

        org     0

; MOVF, MOVWF and CLRF on every file register.
r = 0
        while r < 0x20
        movf    r, 0
        movf    r, 1
        movwf   r
        clrf    r
r = r + 1
        endw

; The other byte-oriented instructions on the named registers and a few others.
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
        endm

        byteops 0x00
        byteops 0x03
        byteops 0x04
        byteops 0x07
        byteops 0x1F

; Bit-oriented instructions: every bit of STATUS (named bits) and of two others.
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

        bitops  0x03
        bitops  0x06
        bitops  0x1F

; Literal instructions: a spread of literals, and both ends of the printable ones.
k = 0
        while k < 0x100
        movlw   k
        retlw   k
        iorlw   k
        andlw   k
        xorlw   k
k = k + 0x11
        endw
        movlw   0x2F
        movlw   0x30
        movlw   0x7F
        movlw   0x80

; CALL reaches the first 256 words of a page, GOTO all 512.
        call    0x000
        call    0x055
        call    0x0FF
        goto    0x000
        goto    0x0AA
        goto    0x100
        goto    0x1FF

; The rest of the instruction set.
        nop
        clrw
        option
        sleep
        clrwdt
        tris    5
        tris    6
        tris    7

; Encodings gpasm never produces: TRIS of a register with no port (gpdasm shows
; it as TRIS 1), the unused codes 0x008..0x01F, and CLRW with low bits set.
        dw      0x001
v = 0x008
        while v < 0x020
        dw      v
v = v + 1
        endw
v = 0x041
        while v < 0x060
        dw      v
v = v + 1
        endw

        end

; A 16F628 with the internal oscillator and CLKOUT on RA6, MCLR on RA5.
        processor 16f628
        radix   dec
        errorlevel -302, -224

PORTB   equ     0x06
TRISB   equ     0x86
STATUS  equ     0x03
CMCON   equ     0x1F
RP0     equ     5

        __config 0x3F39          ; INTRC with CLKOUT, MCLR on, power-up timer on, BOD on, no LVP
        __idlocs 0x0F0F

        org     0x0000
        goto    main
        org     0x0004
        retfie
main:   movlw   0x07
        movwf   CMCON
        bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
        movlw   0xAA
loop:   movwf   PORTB
        xorlw   0xFF
        goto    loop

        org     0x2100
        de      1, 2, 3, 4, 5, 6, 7, 8, 9
        de      0xFF             ; an erased byte given on purpose
        end

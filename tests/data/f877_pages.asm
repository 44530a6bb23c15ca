; A 16F877 program that uses two code pages, a lookup table and the data EEPROM.
        processor 16f877
        radix   dec
        errorlevel -302, -224

PCLATH  equ     0x0A
PCL     equ     0x02
PORTB   equ     0x06
TRISB   equ     0x86
STATUS  equ     0x03
RP0     equ     5
COUNT   equ     0x20

        __config 0x3F72          ; HS, power-up timer on, brown-out on, no LVP, no CP
        __idlocs 0x0102

        org     0x0000
        clrf    PCLATH
        goto    main

        org     0x0004
        retfie

main:   bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
        clrf    COUNT
loop:   movf    COUNT, w
        andlw   0x07
        call    table
        movwf   PORTB
        incf    COUNT, f
        movlw   HIGH far
        movwf   PCLATH
        call    far
        clrf    PCLATH
        goto    loop

table:  addwf   PCL, f
        retlw   0x01
        retlw   0x02
        retlw   0x04
        retlw   0x08
        retlw   0x10
        retlw   0x20
        retlw   0x40
        retlw   0x80

        org     0x0800           ; second page
far:    nop
        nop
        return

        org     0x1FFE           ; the very last words of program memory
        nop
        return

        org     0x2100
        de      "Korvel", 0
pad = 7
        while pad < 255          ; zeros up to the last byte of the 256 (gpasm counts
        de      0                ; bytes, not words, after an org in this area)
pad += 1
        endw
        de      0xA5             ; EEPROM byte 255
        end

; A 16F74 counter: no data EEPROM on this family, configuration and ID only.
        processor 16f74
        radix   dec
        errorlevel -302, -224

PORTB   equ     0x06
TRISB   equ     0x86
STATUS  equ     0x03
RP0     equ     5

        __config 0x3FF5          ; XT, power-up timer on, watchdog on, no CP
        __idlocs 0x7F3C

        org     0x0000
        goto    main
        org     0x0004
        retfie
main:   bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
loop:   incf    PORTB, f
        clrwdt
        goto    loop
        org     0x0FFF           ; last word of the 16F74's 4K
        goto    main
        end

; Every instruction of the 14-bit PIC core once, both destinations where there are
; two, for a 16F84A. Not meant to run: it gives the reader, the viewers and the
; disassembler cross-check a program with every opcode in it.
        processor 16f84a
        radix   dec
        errorlevel -302, -224

STATUS  equ     0x03
PORTB   equ     0x06
COUNT   equ     0x0C
TEMP    equ     0x0D

        __config 0x3FF1          ; XT oscillator, power-up timer on, watchdog off, no CP
        __idlocs 0x1A2B

        org     0x0000
reset:  goto    start
        nop
        nop
        nop
        org     0x0004
isr:    retfie

start:  addwf   COUNT, w
        addwf   COUNT, f
        andwf   TEMP, w
        andwf   TEMP, f
        clrf    COUNT
        clrw
        comf    COUNT, w
        comf    COUNT, f
        decf    COUNT, w
        decf    COUNT, f
        decfsz  COUNT, w
        decfsz  COUNT, f
        incf    TEMP, w
        incf    TEMP, f
        incfsz  TEMP, w
        incfsz  TEMP, f
        iorwf   TEMP, w
        iorwf   TEMP, f
        movf    TEMP, w
        movf    TEMP, f
        movwf   PORTB
        nop
        rlf     COUNT, w
        rlf     COUNT, f
        rrf     COUNT, w
        rrf     COUNT, f
        subwf   TEMP, w
        subwf   TEMP, f
        swapf   TEMP, w
        swapf   TEMP, f
        xorwf   COUNT, w
        xorwf   COUNT, f
        bcf     STATUS, 5
        bsf     STATUS, 5
        btfsc   STATUS, 2
        btfss   STATUS, 0
        addlw   0x12
        andlw   0x0F
        call    sub
        clrwdt
        iorlw   0x80
        movlw   0x55
        sublw   0x40
        xorlw   0xFF
        option
        tris    PORTB
        sleep
        goto    start

sub:    retlw   0x3F
        return

        org     0x2100           ; data EEPROM
        de      0x00, 0x01, 0x7F, 0x80, 0xFE
        de      "PK"
        end

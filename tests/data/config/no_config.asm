; A program without configuration word, ID locations or EEPROM data.
        list    p=16f877
        include "p16f877.inc"
        org     0
        goto    0
        end

; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f77
        include "p16f77.inc"
        __CONFIG _CP_OFF & _BODEN_OFF & _PWRTE_OFF & _WDT_ON & _HS_OSC
        org     0
        goto    0
        end

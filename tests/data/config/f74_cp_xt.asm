; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f74
        include "p16f74.inc"
        __CONFIG _CP_ON & _BODEN_ON & _PWRTE_ON & _WDT_OFF & _XT_OSC
        org     0
        goto    0
        end

; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f84
        include "p16f84.inc"
        __CONFIG _CP_OFF & _PWRTE_ON & _WDT_OFF & _LP_OSC
        org     0
        goto    0
        end

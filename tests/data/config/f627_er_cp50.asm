; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f627
        include "p16f627.inc"
        __CONFIG _CP_50 & _CPD_ON & _LVP_ON & _BODEN_ON & _MCLRE_OFF & _PWRTE_ON & _WDT_ON & _ER_OSC_NOCLKOUT
        org     0
        goto    0
        end

; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f628
        include "p16f628.inc"
        __CONFIG _CP_ALL & _CPD_OFF & _LVP_OFF & _BODEN_OFF & _MCLRE_ON & _PWRTE_ON & _WDT_OFF & _EXTCLK_OSC
        org     0
        goto    0
        end

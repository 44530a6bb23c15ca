; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f877
        include "p16f877.inc"
        __CONFIG _CP_OFF & _DEBUG_OFF & _WRT_ENABLE_OFF & _CPD_OFF & _LVP_OFF & _BODEN_ON & _PWRTE_OFF & _WDT_OFF & _HS_OSC
        org     0
        goto    0
        end

; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f873
        include "p16f873.inc"
        __CONFIG _CP_HALF & _DEBUG_OFF & _WRT_ENABLE_ON & _CPD_OFF & _LVP_OFF & _BODEN_OFF & _PWRTE_ON & _WDT_OFF & _XT_OSC
        org     0
        goto    0
        end

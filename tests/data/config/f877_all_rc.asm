; Configuration word test file; the .hex beside it is gpasm's output.
        list    p=16f877
        include "p16f877.inc"
        __CONFIG _CP_ALL & _DEBUG_ON & _WRT_ENABLE_ON & _CPD_ON & _LVP_ON & _BODEN_OFF & _PWRTE_ON & _WDT_ON & _RC_OSC
        org     0
        goto    0
        end

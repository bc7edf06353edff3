// Platform definitions that the macOS headers would otherwise supply.
#ifndef QE_PLATFORMMAC_H
#define QE_PLATFORMMAC_H

/// A 128-bit identifier in its usual four-field layout.
struct _GUID {
    unsigned long Data1;
    unsigned short Data2;
    unsigned short Data3;
    unsigned char Data4[8];
};

#endif

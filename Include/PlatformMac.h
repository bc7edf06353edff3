// Platform definitions that the macOS headers would otherwise supply.
#ifndef QE_PLATFORMMAC_H
#define QE_PLATFORMMAC_H

#include <cstdint>

/// A 128-bit identifier in its usual four-field layout.
struct _GUID {
    unsigned long Data1;
    unsigned short Data2;
    unsigned short Data3;
    unsigned char Data4[8];
};

#ifdef __APPLE__
#include <Security/Authorization.h>
#else
// Authorization Services: the names and values the uninstaller uses.
using OSStatus = std::int32_t;
using AuthorizationFlags = std::uint32_t;
/// An authorization session, owned by the platform layer that made it.
using AuthorizationRef = struct AuthorizationOpaqueRef*;

constexpr OSStatus errAuthorizationSuccess = 0;
constexpr OSStatus errAuthorizationDenied = -60005;
constexpr OSStatus errAuthorizationCanceled = -60006;
constexpr OSStatus errAuthorizationToolExecuteFailure = -60031;

constexpr AuthorizationFlags kAuthorizationFlagDefaults = 0;
constexpr AuthorizationFlags kAuthorizationFlagInteractionAllowed = 1 << 0;
constexpr AuthorizationFlags kAuthorizationFlagExtendRights = 1 << 1;
constexpr AuthorizationFlags kAuthorizationFlagPreAuthorize = 1 << 4;
constexpr AuthorizationFlags kAuthorizationFlagDestroyRights = 1 << 3;

#endif

#endif

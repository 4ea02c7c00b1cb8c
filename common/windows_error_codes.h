// The Windows error codes the program and its seams speak (winerror.h's values), in one table
// for the core, the Windows back ends and the tests' fakes: a seam call answers with one of
// these as a plain integer.
#pragma once

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorPathNotFound = 3;
inline constexpr long kErrorTooManyOpenFiles = 4;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidData = 13;
inline constexpr long kErrorOutOfMemory = 14;
inline constexpr long kErrorSharingViolation = 32;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorDiskFull = 112;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorRegistryCorrupt = 1015;
inline constexpr long kErrorKeyDeleted = 1018;

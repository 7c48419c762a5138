#pragma once
// The Win32 error codes that the setup and its tests look at.

namespace platform::err {

inline constexpr long Success = 0;
inline constexpr long FileNotFound = 2;
inline constexpr long PathNotFound = 3;
inline constexpr long AccessDenied = 5;
inline constexpr long InvalidHandle = 6;
inline constexpr long SharingViolation = 32;
inline constexpr long FileExists = 80;
inline constexpr long InvalidParameter = 87;
inline constexpr long DirNotEmpty = 145;
inline constexpr long BadPathname = 161;
inline constexpr long AlreadyExists = 183;
inline constexpr long MoreData = 234;
inline constexpr long NoMoreItems = 259;
inline constexpr long NoMoreFiles = 18;
inline constexpr long KeyDeleted = 1018;

}  // namespace platform::err

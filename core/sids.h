#pragma once

// The well-known accounts and groups the programs name, each spelled once.
namespace tarnweld::sids {

inline constexpr wchar_t kLocalSystem[] = L"S-1-5-18";
inline constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
inline constexpr wchar_t kUsers[] = L"S-1-5-32-545";
inline constexpr wchar_t kPowerUsers[] = L"S-1-5-32-547";
inline constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
inline constexpr wchar_t kTerminalServerUser[] = L"S-1-5-13";
// Entries for these stand for the object's owner.
inline constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";
inline constexpr wchar_t kOwnerRights[] = L"S-1-3-4";
// Where the accounts of a machine or a domain, and of Azure AD, are
// numbered; every other SID is a well-known group or service.
inline constexpr wchar_t kMachineOrDomainAccounts[] = L"S-1-5-21-";
inline constexpr wchar_t kAzureAdAccounts[] = L"S-1-12-1-";

}  // namespace tarnweld::sids

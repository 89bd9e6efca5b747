#include "win32_security.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vok {
namespace {

// What the program's token says of `kind` (TokenUser, TokenOwner), as the
// system returns it; empty when unknown.
std::vector<unsigned char> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return {};
  DWORD size = 0;
  GetTokenInformation(token.get(), kind, nullptr, 0, &size);
  std::vector<unsigned char> information(std::max<DWORD>(size, sizeof(TOKEN_USER)));
  if (!GetTokenInformation(token.get(), kind, information.data(), size, &size)) {
    information.clear();
  }
  return information;
}

// The user who runs the program.
PSID UserSid() {
  static const std::vector<unsigned char> user = TokenInformation(TokenUser);
  return user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
}

// The owner that files the program creates get: the user, or, run as
// administrator, the Administrators group.
PSID DefaultOwnerSid() {
  static const std::vector<unsigned char> owner = TokenInformation(TokenOwner);
  return owner.empty() ? nullptr : reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner;
}

}  // namespace

Owner OwnerOf(HANDLE file) {
  PSID owner = nullptr;
  UniqueLocal<PSECURITY_DESCRIPTOR> descriptor;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, descriptor.Receive()) != ERROR_SUCCESS ||
      !owner) {
    return Owner::kUnknown;
  }
  const auto is = [&](PSID sid) { return sid && EqualSid(owner, sid); };
  return is(UserSid())           ? Owner::kUser
         : is(DefaultOwnerSid()) ? Owner::kDefaultOwner
                                 : Owner::kOther;
}

UniqueLocal<PSECURITY_DESCRIPTOR> UserOnlyDescriptor() {
  UniqueLocal<wchar_t*> sid;
  UniqueLocal<PSECURITY_DESCRIPTOR> descriptor;
  if (!UserSid() || !ConvertSidToStringSidW(UserSid(), sid.Receive())) return descriptor;
  // Protected (P): no entry inherited from the folder; full access (FA) for the user.
  const std::wstring text = L"D:P(A;;FA;;;" + std::wstring(sid.get()) + L")";
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                            descriptor.Receive(), nullptr)) {
    descriptor.Reset();
  }
  return descriptor;
}

}  // namespace vok

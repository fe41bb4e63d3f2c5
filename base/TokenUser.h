// The account of the program's own token.
#pragma once

#include <windows.h>

namespace kst {

class CTokenUser {
 public:
  // False when the token cannot be read.
  bool Read();
  PSID Sid() { return facts_.user.User.Sid; }

 private:
  // A token's user is one SID, so this holds any of them.
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } facts_;
};

}  // namespace kst

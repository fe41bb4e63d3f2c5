// Resetting the Internet proxy settings of the LAN and of every remote-access connection (dial-up,
// VPN, broadband) to a direct connection when the product is removed, so that no program is left
// pointing at the product's local proxy.
#pragma once

#include <windows.h>

#include <wininet.h>

namespace kst {

constexpr int kMaxRasConnections = 32;
constexpr int kProxyOptionCount = 5;

// The option list that sets one connection's proxy options (connection NULL: the LAN settings).
// Proxy on: direct and proxied, no server, only the loopback bypass; proxy off: direct only. In
// both there is no configuration script and no automatic detection. The list points at options and
// at connection, which must outlive it.
void FillProxyOptionList(const wchar_t* connection, bool proxyOn,
                         INTERNET_PER_CONN_OPTIONW (&options)[kProxyOptionCount],
                         INTERNET_PER_CONN_OPTION_LISTW* list);

// The number of remote-access connections (0 to 32). The names are read from the phone books once
// per process, as soon as there is one; the first 32 entries are kept when there are more.
int EnumerateRasConnections();

// Writes one connection's proxy options and tells running programs to reload them. False when
// WinINet refuses either.
bool SetConnectionProxy(const wchar_t* connection, bool proxyOn);

// Sets the LAN and every remote-access connection first to the proxy-on options and then all of
// them to the proxy-off options. False, going no further, at the first refusal.
bool ResetProxySettings();

}  // namespace kst

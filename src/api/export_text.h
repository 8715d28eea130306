// How a UTF-16 text reaches a host text buffer: converted to the calling thread's ANSI code
// page, then at most 32 bytes copied, without a terminator. Hosts pass 32-byte buffers that
// they zero-fill when they want a C string, so no byte past the copied text may change.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "packets/packet_bytes.h"
#include "platform/platform.h"

namespace api {

inline constexpr std::size_t kHostTextBytes = 32;

// The code page texts are converted to. Settled on the first call: on NT 5 or later the
// thread's ANSI code page (CP_THREAD_ACP); on older systems the thread locale's default ANSI
// code page, read anew on every call.
UINT HostCodePage();

// The whole text in the host code page, without its terminator. nullopt when the conversion
// fails. Throws std::bad_alloc when memory is short.
std::optional<std::string> ConvertToHostText(const packets::PacketText& text);
// Copies the first min(size, 32) bytes of `converted` into `host`, cutting even inside a
// multibyte character, and writes nothing else.
void CopyToHost(const std::string& converted, char* host) noexcept;
// Both steps; a text that cannot be converted leaves `host` untouched.
void ExportText(const packets::PacketText& text, char* host);

// The parts of the code-page rule, for the rule itself and its tests.
namespace code_page {
// The decimal number made of the leading digits of the first `length` characters of `text`
// (stopping at the first non-digit); 0 when there are none.
UINT ParseDigits(const char* text, std::size_t length) noexcept;
// The thread locale's LOCALE_IDEFAULTANSICODEPAGE entry, or GetACP() when it cannot be read,
// is empty or reads as 0.
UINT FromThreadLocale();
UINT ThreadAnsi();
// Which of the two the system calls for: NT 5 or later reads CP_THREAD_ACP, older systems
// (and a system that does not say which it is) the locale.
using Rule = UINT (*)();
Rule RuleForSystem();
}  // namespace code_page

}  // namespace api

#include "platform.hpp"
#include "posix.hpp"

#include <cstdio>

// The pause of the command processor, done here: at a terminal one key, whole, and not a byte
// more, since what was typed after it is the next program's (tcflush would throw it away); from
// a pipe or a file, one byte after the last answer's line.

namespace {

const int key_gap = 100;           // ms: the bytes of one key come together, or not at all
const unsigned char escape = 0x1b; // sent alone by Escape, and first by Alt with another key

// The rest of an escape sequence after ESC [ (CSI) or ESC O (SS3): parameter bytes, then a final
// byte; the Linux console's function keys send ESC [ [ and a letter.
void take_sequence(unsigned char introducer)
{
    const int longest = 16;
    const unsigned char first_final = 0x40; // '@'
    unsigned char byte = 0;
    for (int length = 0; length < longest && platform_posix::next_byte(key_gap, byte); ++length) {
        if (byte >= first_final && !(introducer == '[' && byte == '[' && length == 0)) {
            return;
        }
    }
}

// The rest of the key that began with this byte. After ESC comes an escape sequence, or nothing
// (Escape alone), or, with Alt, a whole key of its own. A UTF-8 character's first byte tells how
// many continuation bytes follow; a byte that is none ends it, though it has been read: a
// terminal gives no byte back.
void take_rest_of_key(unsigned char first, bool after_alt)
{
    const unsigned char first_of_two = 0xC2;   // the first bytes of UTF-8 characters of two bytes,
    const unsigned char first_of_three = 0xE0; // three,
    const unsigned char first_of_four = 0xF0;  // and four, up to
    const unsigned char last_first = 0xF4;     // that of the last character there is
    const unsigned char continuation = 0x80;   // 10xxxxxx
    const unsigned char continuation_mask = 0xC0;
    unsigned char byte = 0;
    if (first == escape) {
        if (!platform_posix::next_byte(key_gap, byte)) {
            return;
        }
        if (byte == '[' || byte == 'O') {
            take_sequence(byte);
        } else if (!after_alt) {
            take_rest_of_key(byte, true);
        }
    } else if (first >= first_of_two && first <= last_first) {
        int rest = first >= first_of_four ? 3 : first >= first_of_three ? 2 : 1;
        while (rest-- > 0 && platform_posix::next_byte(key_gap, byte) &&
               (byte & continuation_mask) == continuation) {
        }
    }
}

void take_key()
{
    unsigned char byte = 0;
    if (platform_posix::next_byte(-1, byte)) {
        take_rest_of_key(byte, false);
    }
}

// What is left of the last answer's line belongs to that answer, as it does at a terminal.
void skip_line_then_take_byte()
{
    int c = 0;
    do {
        c = std::getc(stdin);
    } while (c != EOF && c != '\n');
    if (c == '\n') {
        std::getc(stdin);
    }
}

} // namespace

void platform::pause()
{
    // An end of the input, or a failed read, that std::cin met is stdin's too: it reads through
    // it.
    const bool ended = std::feof(stdin) != 0 || std::ferror(stdin) != 0;
    const bool at_terminal = !ended && platform_posix::enter_key_mode();
    std::fputs("Press any key to continue . . . ", stdout);
    std::fflush(stdout);
    if (at_terminal) {
        take_key();
        platform_posix::leave_key_mode();
    } else if (!ended) {
        skip_line_then_take_byte();
    }
    // Out before any fault is told of on standard error, and so above it at a terminal.
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

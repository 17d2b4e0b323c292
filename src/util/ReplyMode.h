#pragma once
// What a command client hears after each line it sent. Playout systems wait for one of
// these pairs before they send the next line; older clients expect nothing.

enum class ReplyMode {
    None,  // nothing but the greeting
    Plus,  // "+" done, "!" not understood
    Ok,    // "OK" done, "NO" not understood
};

// Telnet option negotiation (RFC 854, with the rules of RFC 1143 for the
// cases a client that asks only to turn options on meets): every WILL, WONT,
// DO or DONT of the other side is answered at most once, a request for what
// is already so is not answered, and a refusal is never answered with a
// refusal, so no two sides can loop.
#pragma once
#include <cstdint>

// One side of one option: ours (the other side sends DO and DONT about it)
// or theirs (WILL and WONT).
enum class OptionState : uint8_t {
    no,     // off, the state every option starts in
    yes,    // on, agreed by both
    asked,  // we asked to turn it on and wait for the answer
};

// Takes the other side's verb (WILL, WONT, DO or DONT) about an option whose
// side it concerns is *state; wanted tells whether we agree to turn that side
// on. Returns the verb to answer with, or 0 when nothing is answered.
uint8_t answerOption(OptionState* state, uint8_t verb, bool wanted);

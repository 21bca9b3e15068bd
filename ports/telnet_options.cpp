#include "ports/telnet_options.h"

#include "ports/telnet_stream.h"

uint8_t answerOption(OptionState* state, uint8_t verb, bool wanted)
{
    // WILL and WONT are about their side, answered with DO or DONT; DO and
    // DONT about ours, answered with WILL or WONT.
    const bool theirSide = verb == telnetWill || verb == telnetWont;
    const uint8_t agree = theirSide ? telnetDo : telnetWill;
    const uint8_t refuse = theirSide ? telnetDont : telnetWont;
    const bool turnOn = verb == telnetWill || verb == telnetDo;
    if (turnOn) {
        switch (*state) {
        case OptionState::no:
            if (!wanted)
                return refuse;
            *state = OptionState::yes;
            return agree;
        case OptionState::asked:  // the answer to our request
            *state = OptionState::yes;
            return 0;
        case OptionState::yes:
            return 0;
        }
        return 0;
    }
    switch (*state) {
    case OptionState::yes:  // turned off: acknowledged
        *state = OptionState::no;
        return refuse;
    case OptionState::asked:  // our request refused
        *state = OptionState::no;
        return 0;
    case OptionState::no:
        return 0;
    }
    return 0;
}

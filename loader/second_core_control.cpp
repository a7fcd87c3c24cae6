#include "second_core_control.h"

namespace coreseed {

void hold_second_core(RegisterBus& bus) {
    // Bit 7 holds the core; the low bits select mode 2 while it is held. The
    // high byte belongs to other functions of the controller and is kept.
    const uint16_t control = bus.read16(second_core_control_register);
    bus.write16(second_core_control_register, static_cast<uint16_t>((control & 0xFF00) | 0x0082));

    const uint16_t enable = bus.read16(second_core_enable_register);
    bus.write16(second_core_enable_register, static_cast<uint16_t>(enable & 0xFFFE));
}

void release_second_core(RegisterBus& bus) {
    bus.write16(second_core_register_3b40, 0);
    bus.write16(second_core_register_3b42, 0);

    const uint16_t enable = bus.read16(second_core_enable_register);
    bus.write16(second_core_enable_register, static_cast<uint16_t>(enable | 0x0001));

    // Clearing the hold bit last starts the core only once everything else is
    // set up.
    const uint16_t control = bus.read16(second_core_control_register);
    bus.write16(second_core_control_register, static_cast<uint16_t>(control & 0xFF7F));
}

} // namespace coreseed

// Ruffle's files, packed by rcc, inside the module itself.

#include <QResource>

__asm__(".section .rodata\n"
        ".globl qc_ruffle_rcc\n"
        ".hidden qc_ruffle_rcc\n"
        ".balign 16\n"
        "qc_ruffle_rcc:\n"
        ".incbin \"" RUFFLE_RCC "\"\n"
        ".previous\n");
extern "C" __attribute__((visibility("hidden"))) const unsigned char qc_ruffle_rcc[];

namespace qc {

void registerRuffleResources() {
    // Registered once for the life of the process; given back at its end.
    static const struct Registration {
        Registration() { QResource::registerResource(qc_ruffle_rcc); }
        ~Registration() { QResource::unregisterResource(qc_ruffle_rcc); }
    } registration;
}

}  // namespace qc

/* zir16c401.h - definitions of the ZIR16C401 (1K words program memory,
 * 68 bytes data memory, 64 bytes EEPROM).
 * Included through <lumo.h>; do not include it directly.
 */
#ifndef ZIR16C401_H
#define ZIR16C401_H

#include <zir_core.h>

/* The compiler driver may predefine the sizes. */
#ifndef _ROMSIZE
#define _ROMSIZE     1024
#endif
#ifndef _RAMSIZE
#define _RAMSIZE     68
#endif
#ifndef _EEPROMSIZE
#define _EEPROMSIZE  64
#endif

#define EEDATA  __ZIR_SFR(0x08)
#define EEADR   __ZIR_SFR(0x09)
#define TRISA   __ZIR_SFR(0x85)
#define TRISB   __ZIR_SFR(0x86)
#define EECON1  __ZIR_SFR(0x88)
#define EECON2  __ZIR_SFR(0x89)

#endif /* ZIR16C401_H */

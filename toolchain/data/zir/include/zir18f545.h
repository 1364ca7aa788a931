/* zir18f545.h - definitions of the ZIR18F545 (64K bytes program memory,
 * 4K bytes data memory, 1K bytes EEPROM).
 * Included through <lumo.h>; do not include it directly.
 */
#ifndef ZIR18F545_H
#define ZIR18F545_H

#include <zir18_core.h>

/* The compiler driver may predefine the sizes. */
#ifndef _ROMSIZE
#define _ROMSIZE     65536
#endif
#ifndef _RAMSIZE
#define _RAMSIZE     4096
#endif
#ifndef _EEPROMSIZE
#define _EEPROMSIZE  1024
#endif

#define PORTD    __ZIR18_SFR(0xF83)
#define LATD     __ZIR18_SFR(0xF8C)
#define TRISD    __ZIR18_SFR(0xF95)
#define EEADR    __ZIR18_SFR(0xFA9)
#define EEDATA   __ZIR18_SFR(0xFA8)
#define EECON1   __ZIR18_SFR(0xFA6)

#endif /* ZIR18F545_H */

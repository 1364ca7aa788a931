/* zir18_core.h - core registers of the ZIR series 18.
 * Included through <lumo.h>; do not include it directly.
 */
#ifndef ZIR18_CORE_H
#define ZIR18_CORE_H

#define __ZIR18_SFR(addr) (*(volatile unsigned char *)(addr))

#define PORTA    __ZIR18_SFR(0xF80)
#define PORTB    __ZIR18_SFR(0xF81)
#define PORTC    __ZIR18_SFR(0xF82)
#define LATA     __ZIR18_SFR(0xF89)
#define LATB     __ZIR18_SFR(0xF8A)
#define TRISA    __ZIR18_SFR(0xF92)
#define TRISB    __ZIR18_SFR(0xF93)
#define INTCON   __ZIR18_SFR(0xFF2)
#define STATUS   __ZIR18_SFR(0xFD8)
#define WREG     __ZIR18_SFR(0xFE8)
#define BSR      __ZIR18_SFR(0xFE0)

/* STATUS bits */
#define STATUS_C   0
#define STATUS_DC  1
#define STATUS_Z   2
#define STATUS_OV  3
#define STATUS_N   4

#define INTCON_GIE 7

#define ei() (INTCON |= (unsigned char)(1u << INTCON_GIE))
#define di() (INTCON &= (unsigned char)~(1u << INTCON_GIE))

#endif /* ZIR18_CORE_H */

/* zir_core.h - core registers of the ZIR series 10 to 16.
 * Included through <lumo.h>; do not include it directly.
 */
#ifndef ZIR_CORE_H
#define ZIR_CORE_H

#define __ZIR_SFR(addr) (*(volatile unsigned char *)(addr))

#define INDF    __ZIR_SFR(0x00)
#define TMR0    __ZIR_SFR(0x01)
#define PCL     __ZIR_SFR(0x02)
#define STATUS  __ZIR_SFR(0x03)
#define FSR     __ZIR_SFR(0x04)
#define PORTA   __ZIR_SFR(0x05)
#define PORTB   __ZIR_SFR(0x06)
#define INTCON  __ZIR_SFR(0x0B)

/* STATUS bits */
#define STATUS_C   0
#define STATUS_DC  1
#define STATUS_Z   2

/* INTCON bits */
#define INTCON_GIE 7

#define ei() (INTCON |= (unsigned char)(1u << INTCON_GIE))
#define di() (INTCON &= (unsigned char)~(1u << INTCON_GIE))

#endif /* ZIR_CORE_H */

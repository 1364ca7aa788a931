/* lumo.h - the device-independent entry header of the ZIR tool chain.
 *
 * Include this header, not a chip header: the compiler driver predefines
 * the chip macro (__ZIR16C401__ and the like) and the series number
 * (__ZIR_SERIES, or __ZIR18__ for series 18), and this header picks the
 * definitions that belong to them. Without a known chip macro only the core registers of
 * the series are declared.
 */
#ifndef LUMO_H
#define LUMO_H

#if defined(__ZIR18__) || (defined(__ZIR_SERIES) && __ZIR_SERIES == 18)
#define __LUMO_ZIR18 1
#endif

#if defined(__ZIR16C401__)
#include <zir16c401.h>
#elif defined(__ZIR18F545__)
#include <zir18f545.h>
#elif defined(__LUMO_ZIR18)
#include <zir18_core.h>
#else
#include <zir_core.h>
#endif

/* Intrinsic operations every ZIR core has. */
#define NOP()      __lumo_nop()
#define CLRWDT()   __lumo_clrwdt()
#define SLEEP()    __lumo_sleep()

void __lumo_nop(void);
void __lumo_clrwdt(void);
void __lumo_sleep(void);

/* Busy-wait for a number of instruction cycles. */
void __lumo_delay(unsigned long cycles);
#define __delay_cycles(n) __lumo_delay(n)

#endif /* LUMO_H */

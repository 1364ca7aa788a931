/* tev.h - definitions common to every TEV device: the I/O space, the
 * status register and the interrupt control of the TEV core. */
#ifndef TEV_H
#define TEV_H

#include <stdint.h>

#define __TEV_IO8(addr)  (*(volatile uint8_t *)(addr))
#define __TEV_IO16(addr) (*(volatile uint16_t *)(addr))

#define SREG    __TEV_IO8(0x5F)
#define SP      __TEV_IO16(0x5D)
#define PINA    __TEV_IO8(0x20)
#define DDRA    __TEV_IO8(0x21)
#define PORTA   __TEV_IO8(0x22)
#define PINB    __TEV_IO8(0x23)
#define DDRB    __TEV_IO8(0x24)
#define PORTB   __TEV_IO8(0x25)

/* SREG bits */
#define SREG_C  0
#define SREG_Z  1
#define SREG_N  2
#define SREG_I  7

void __tev_sei(void);
void __tev_cli(void);
void __tev_nop(void);
void __tev_sleep(void);

#define sei()   __tev_sei()
#define cli()   __tev_cli()
#define nop()   __tev_nop()

#endif /* TEV_H */

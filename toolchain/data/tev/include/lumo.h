/* lumo.h - the device-independent entry header for TEV devices. The
 * compiler driver selects the device; everything common to the TEV core
 * lives in <tev.h>. */
#ifndef LUMO_H
#define LUMO_H

#include <tev.h>

#define NOP()    __tev_nop()
#define SLEEP()  __tev_sleep()

#endif /* LUMO_H */

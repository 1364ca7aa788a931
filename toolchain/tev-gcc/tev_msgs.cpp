// The warning rules of tev-gcc, applied by the message facility.
#include "toolchain/tev-gcc/tev_msgs.h"

#include "common/alert_msgstate.h"
#include "toolchain/support/tc_diag.h"

void tev_warnings_configure(bool hidden, bool as_errors) {
  if (hidden) tc_diag_disable(0);
  if (as_errors) werr_process("-Werror", 1);
}

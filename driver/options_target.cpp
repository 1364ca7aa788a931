// The target options whose translation is more than data: the device, the
// language extensions and memory reservations.
//
// For ZIR devices each "-m" option becomes the legacy driver's own option
// ("--chip=", "--ram="); TEV's driver takes most of them as typed. The
// target options that are pure data are rows of the option table.
#include <cstring>
#include <strings.h>

#include "common/alert.h"
#include "common/msgnum.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {


// The value of "-mext=", checked the same way for every family; null when
// nothing is to be passed on.
const char* extension_value(const char* arg, const char* value) {
  option_required(arg, value);
  if (strcasecmp(value, "lumo8") == 0) return nullptr;  // the compiler's own dialect: the default
  if (strcasecmp(value, "iar") == 0) {
    alert_raise(kMsgExtensionNotSupported, value);
    return nullptr;
  }
  if (strcasecmp(value, "cci") != 0) alert_raise(kMsgUnrecognized, arg);
  return value;
}

}  // namespace

// ZIR device names go to the legacy driver without their family prefix;
// TEV's driver gets the name twice: now as "-mmcu=", and at the end as
// "-mdevice=" unless that was given.
LUMO_OPTION_HANDLER(opt_mcpu) {
  DB_ENTER("%s", arg);
  const char* device = sc_lower(option_required(arg, value));
  if (device_is_zir(family)) {
    option_push(out, "--chip=%s", sc_startsWith(device, "zir") ? device + 3 : device);
  } else {
    option_push(out, "-mmcu=%s", device);
    option_state().mdevice_option = sc_printf("-mdevice=%s", device);
  }
}

// "-mcci" is the old spelling of "-mext=cci"; with more after its name it
// is taken as "-mext".
LUMO_OPTION_HANDLER(opt_extension) {
  DB_ENTER("%s", arg);
  if (strcmp(arg, row.name) == 0 && row.name[2] == 'c') {
    alert_raise(kMsgCciDeprecated);
    arg = sc_intern("-mext=cci");
    value = arg + strlen("-mext=");
  }
  const char* extension = extension_value(arg, value);
  if (!extension) return;
  if (device_is_zir(family))
    option_push(out, "--ext=%s", extension);
  else if (device_is_tev(family))
    vec_push(out, sc_intern(arg));
}

// "-mreserve=ram@<start>:<end>" or "rom@": the legacy driver takes a range
// out of the memory space with a leading "-".
LUMO_OPTION_HANDLER(opt_reserve) {
  DB_ENTER("%s", arg);
  const char* range = skipTo(arg, '@') + 1;
  const char* colon = strchr(range, ':');
  if (!colon) {
    alert_raise(kMsgBadSyntax, arg);
    return;
  }
  const char* start = sc_substr(range, static_cast<size_t>(colon - range));
  const char* end = strrchr(range, ':') + 1;
  const char* memory = option_required(arg, value);
  if (sc_startsWith(memory, "ram@"))
    option_push(out, "--ram=-%s-%s", start, end);
  else if (sc_startsWith(memory, "rom@"))
    option_push(out, "--rom=-%s-%s", start, end);
  else
    alert_raise(kMsgBadSyntax, arg);
}

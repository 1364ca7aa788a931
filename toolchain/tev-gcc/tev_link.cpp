// Linking: placing the objects' code and data, resolving the global names
// and reporting the result.
#include "toolchain/tev-gcc/tev_link.h"

#include <cstdio>
#include <map>

#include "common/msgnum.h"
#include "toolchain/tev-gcc/tev_code.h"
#include "toolchain/support/tc_diag.h"

namespace {

constexpr const char* kResetSymbol = "__tev_reset";

std::string hex(uint32_t v, int digits = 6) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%0*x", digits, v);
  return buf;
}

void put_word(std::vector<uint8_t>& out, uint16_t w) {
  out.push_back(static_cast<uint8_t>(w & 0xff));
  out.push_back(static_cast<uint8_t>(w >> 8));
}

struct Placed {
  std::string file;
  uint32_t text_at, text_size, data_at, data_size;
};

std::string memory_line(const char* name, uint32_t used, uint32_t length) {
  char buf[160];
  snprintf(buf, sizeof buf, "  <memory name=\"%s\" units=\"bytes\" length=\"%u\" used=\"%u\" free=\"%u\"/>\n", name,
           length, used, used <= length ? length - used : 0);
  return buf;
}

std::string summary_xml(const tev_device& device, uint32_t program, uint32_t data) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<memorySummary device=\"" + device.name + "\" tool=\"tev-gcc\">\n";
  xml += memory_line("program", program, device.flash);
  xml += memory_line("data", data, device.ram);
  xml += memory_line("eeprom", 0, device.eeprom);
  xml += "</memorySummary>\n";
  return xml;
}

std::string map_text(const tev_device& device, const std::vector<Placed>& placed, const tev_object& linked,
                     const tev_layout& layout) {
  std::string map = "TEV link map for " + device.name + "\n\nMemory\n";
  map += "  program  " + hex(0) + "  " + std::to_string(device.flash) + " bytes\n";
  map += "  data     " + hex(kTevDataBase) + "  " + std::to_string(device.ram) + " bytes\n";
  map += "\nSections\n";
  for (const Placed& p : placed) {
    map += "  .text  " + hex(p.text_at) + "  " + hex(p.text_size, 4) + "  " + p.file + "\n";
    if (p.data_size) map += "  .data  " + hex(p.data_at) + "  " + hex(p.data_size, 4) + "  " + p.file + "\n";
  }
  map += "\nSymbols\n";
  std::multimap<uint32_t, const tev_symbol*> by_address;
  for (const tev_symbol& s : linked.symbols) by_address.insert({s.value, &s});
  for (const auto& [address, s] : by_address)
    map += "  " + hex(address) + "  " + (s->global ? "global " : "local  ") + s->name + "\n";
  map += "\nEntry " + hex(layout.entry) + ", data loaded from " + hex(layout.data_load) + "\n";
  map += "Program memory used: " + std::to_string(linked.text.size() + linked.data.size()) + " of " +
         std::to_string(device.flash) + " bytes\n";
  map += "Data memory used: " + std::to_string(linked.data.size()) + " of " + std::to_string(device.ram) + " bytes\n";
  return map;
}

}  // namespace

bool tev_link(const std::vector<tev_link_input>& inputs, const tev_device& device, const tev_link_options& options,
              tev_link_result& result) {
  tev_object& out = result.linked;
  std::map<std::string, uint32_t> globals;
  bool ok = true;
  if (options.startup) {
    put_word(out.text, tev_code_word(kResetSymbol));
    put_word(out.text, 0);  // the address of main, filled in below
    out.symbols.push_back({kResetSymbol, 0, 4, true, true, TEV_SEC_TEXT});
    globals[kResetSymbol] = 0;
  }
  std::vector<Placed> placed;
  for (const tev_link_input& in : inputs) {
    Placed p{in.name, static_cast<uint32_t>(out.text.size()), static_cast<uint32_t>(in.object.text.size()),
             kTevDataBase + static_cast<uint32_t>(out.data.size()), static_cast<uint32_t>(in.object.data.size())};
    for (tev_symbol s : in.object.symbols) {
      s.value += s.section == TEV_SEC_TEXT ? p.text_at : p.data_at;
      if (s.global && !globals.emplace(s.name, s.value).second) {
        tc_raise(kMsgMultipleDefinition, s.name.c_str());
        ok = false;
      }
      out.symbols.push_back(s);
    }
    out.text.insert(out.text.end(), in.object.text.begin(), in.object.text.end());
    if (out.text.size() % 2) out.text.push_back(0);
    out.data.insert(out.data.end(), in.object.data.begin(), in.object.data.end());
    placed.push_back(p);
  }
  auto main_symbol = globals.find("main");
  if (options.startup) {
    if (main_symbol == globals.end()) {
      tc_raise(kMsgNoEntryPoint, "main");
      ok = false;
    } else {
      out.text[2] = static_cast<uint8_t>(main_symbol->second & 0xff);
      out.text[3] = static_cast<uint8_t>((main_symbol->second >> 8) & 0xff);
    }
  }
  result.layout.entry = options.startup || main_symbol == globals.end() ? 0 : main_symbol->second;
  result.layout.data_load = static_cast<uint32_t>(out.text.size());
  uint32_t program = static_cast<uint32_t>(out.text.size() + out.data.size());
  uint32_t data = static_cast<uint32_t>(out.data.size());
  if (program > device.flash) {
    tc_raise(kMsgProgramMemoryOverflow, program, device.name.c_str(), device.flash);
    ok = false;
  }
  if (data > device.ram) {
    tc_raise(kMsgDataMemoryOverflow, data, device.name.c_str(), device.ram);
    ok = false;
  }
  out.comment = inputs.empty() ? "" : inputs.front().object.comment;
  result.map = map_text(device, placed, out, result.layout);
  result.summary = summary_xml(device, program, data);
  return ok;
}

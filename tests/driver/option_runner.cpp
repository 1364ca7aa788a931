#include "tests/driver/option_runner.h"

#include <cstdio>
#include <sstream>

#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/option_handlers.h"
#include "tests/support/testutil.h"

namespace optrun {

namespace {

// No message formats from the test's own environment: lines stay plain.
const Texts kCleanEnv = {"-ZOT_ERR_FORMAT", "-ZOT_WARN_FORMAT", "-ZOT_MSG_FORMAT"};

vector* make_args(const Texts& args) {
  vector* v = vec_new();
  for (const std::string& a : args) vec_push(v, sc_intern(a.c_str()));
  return v;
}

void print_tagged(const char* tag, const vector* texts) {
  for (uint32_t i = 0; i < vec_size(texts); ++i) printf("%s\t%s\n", tag, vec_get_as<const char*>(texts, i));
}

// What the child tells the parent, one tagged line each.
void report(const vector* out, uint32_t consumed) {
  print_tagged("out", out);
  printf("consumed\t%u\n", consumed);
  printf("state\t%s\n", option_state_summary().c_str());
  vector* disabled = vec_new();
  options_add_msgdisable(disabled);
  print_tagged("msgdisable", disabled);
}

// "(1234) text" lines of the plain message format.
std::string message_numbers(const std::string& err) {
  std::istringstream lines(err);
  std::string line, numbers;
  while (std::getline(lines, line)) {
    if (line.size() < 3 || line[0] != '(') continue;
    size_t close = line.find(')');
    if (close == std::string::npos) continue;
    if (!numbers.empty()) numbers += ",";
    numbers += line.substr(1, close - 1);
  }
  return numbers;
}

Outcome parse(const testutil::RunResult& r) {
  Outcome o;
  o.status = r.status;
  o.stderr_text = r.err;
  o.messages = message_numbers(r.err);
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    size_t tab = line.find('\t');
    std::string tag = line.substr(0, tab), value = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (tag == "out")
      o.out.push_back(value);
    else if (tag == "consumed")
      o.consumed = static_cast<uint32_t>(std::stoul(value));
    else if (tag == "state")
      o.state = value;
    else if (tag == "msgdisable")
      o.msgdisable.push_back(value);
  }
  return o;
}

}  // namespace

std::string option_state_summary() {
  const OptionState& s = option_state();
  struct Flag {
    bool OptionState::*member;
    const char* name;
  };
  static const Flag kFlags[] = {
      {&OptionState::compile_only, "compile_only"},
      {&OptionState::c_source_seen, "c_source_seen"},
      {&OptionState::asm_source_seen, "asm_source_seen"},
      {&OptionState::asm_cpp_seen, "asm_cpp_seen"},
      {&OptionState::fixupoverflow_given, "fixupoverflow_given"},
      {&OptionState::std_given, "std_given"},
      {&OptionState::c90_selected, "c90_selected"},
      {&OptionState::pedantic_given, "pedantic_given"},
      {&OptionState::nowarn_given, "nowarn_given"},
      {&OptionState::mwarn_given, "mwarn_given"},
      {&OptionState::errformat_given, "errformat_given"},
      {&OptionState::warnformat_given, "warnformat_given"},
      {&OptionState::msgformat_given, "msgformat_given"},
      {&OptionState::mdevice_given, "mdevice_given"},
      {&OptionState::const_data_given, "const_data_given"},
      {&OptionState::dfp_given, "dfp_given"},
      {&OptionState::print_builtins, "print_builtins"},
  };
  Texts parts;
  for (const Flag& f : kFlags)
    if (s.*f.member) parts.push_back(f.name);
  for (uint32_t i = 0; i < vec_size(s.libraries); ++i)
    parts.push_back(std::string("l:") + vec_get_as<const char*>(s.libraries, i));
  for (uint32_t i = 0; i < vec_size(s.library_dirs); ++i)
    parts.push_back(std::string("L:") + vec_get_as<const char*>(s.library_dirs, i));
  if (s.verbosity) parts.push_back("v:" + std::to_string(s.verbosity));
  if (s.mdevice_option) parts.push_back(std::string("mdevice:") + s.mdevice_option);
  return join(parts);
}

Outcome run(DeviceType family, const std::vector<Step>& steps, const std::function<void()>& prepare,
            const std::string& cwd) {
  auto r = testutil::in_child(
      [&] {
        option_state_reset();
        options_initialize(OPT_ENABLED);
        if (prepare) prepare();
        vector* out = vec_new();
        uint32_t consumed = 0;
        for (const Step& step : steps) consumed = option_translate(make_args(step.args), step.index, family, out);
        report(out, consumed);
        return 0;
      },
      cwd, kCleanEnv);
  return parse(r);
}

Outcome run_line(DeviceType family, const Texts& args, bool final, const std::function<void()>& prepare,
                 const std::string& cwd) {
  auto r = testutil::in_child(
      [&] {
        option_state_reset();
        options_initialize(OPT_ENABLED);
        if (prepare) prepare();
        vector* out = options_handler(make_args(args), family, final);
        report(out, 0);
        return 0;
      },
      cwd, kCleanEnv);
  return parse(r);
}

Outcome run_closing(DeviceType family, const std::function<void(OptionState&)>& set,
                    const std::function<void()>& prepare, const std::string& cwd) {
  auto r = testutil::in_child(
      [&] {
        option_state_reset();
        if (prepare) prepare();
        if (set) set(option_state());
        vector* out = vec_new();
        options_closing(family, out);
        report(out, 0);
        return 0;
      },
      cwd, kCleanEnv);
  return parse(r);
}

const char* family_name(DeviceType family) {
  switch (family) {
    case DEVICE_ZIR:
      return "Z";
    case DEVICE_ZIR18:
      return "Z18";
    case DEVICE_TEV:
      return "T";
    default:
      return "none";
  }
}

std::string join(const Texts& texts) {
  std::string s;
  for (const std::string& t : texts) s += (s.empty() ? "" : " ") + t;
  return s;
}

}  // namespace optrun

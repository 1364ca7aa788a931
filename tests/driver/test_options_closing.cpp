// What the option handlers leave for later: the closing options of TEV with
// and without the installation's pack, the resolution of "-l" libraries, and
// the states the warning options set for the message facility. The
// translations themselves are checked against the option record.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/alert_msgstate.h"
#include "common/lumoinstdir.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"
#include "tests/support/testutil.h"

namespace {

using Texts = std::vector<std::string>;
using SetState = std::function<void(OptionState&)>;

// The closing options of family once set has filled the option state, in a
// child (the option state is process-wide); prepare runs first, in cwd.
Texts run_closing(DeviceType family, const SetState& set, const std::function<void()>& prepare = {},
                  const std::string& cwd = ".") {
  testutil::RunResult r = testutil::in_child(
      [&] {
        option_state_reset();
        if (prepare) prepare();
        set(option_state());
        vector* out = vec_new();
        options_closing(family, out);
        for (const char* text : VecItems<const char*>(out)) printf("%s\n", text);
        return 0;
      },
      cwd);
  Texts lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A version directory in a scratch directory, with or without the
// installation's device family pack.
class TevClosing : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(version_ + "/zir"); }
  Texts closing(const SetState& set) {
    return run_closing(DEVICE_TEV, set, [this] { lumoinstdir_set(version_.c_str()); });
  }
  std::string dfp() const { return version_ + "/dfp/lumo8"; }

  testutil::TempDir dir_;
  std::string version_ = dir_.path() + "/v2.50";
};

TEST_F(TevClosing, WithoutTheInstallationPack) {
  EXPECT_EQ(closing([](OptionState&) {}), (Texts{"-Wl,--info-linker", "-mconst-data-in-progmem"}));
  EXPECT_EQ(closing([](OptionState& s) { s.mdevice_option = sc_intern("-mdevice=kx40"); }),
            (Texts{"-Wl,--info-linker", "-mdevice=kx40", "-mconst-data-in-progmem"}));
  EXPECT_EQ(closing([](OptionState& s) {
              s.mdevice_option = sc_intern("-mdevice=kx40");
              s.mdevice_given = s.const_data_given = true;
            }),
            (Texts{"-Wl,--info-linker"}));
}

TEST_F(TevClosing, WithTheInstallationPack) {
  std::filesystem::create_directories(dfp());
  EXPECT_EQ(closing([](OptionState&) {}),
            (Texts{"-Wl,--info-linker", "-mconst-data-in-progmem", "-mdfp=" + dfp()}));
  EXPECT_EQ(closing([](OptionState& s) { s.dfp_given = true; }),
            (Texts{"-Wl,--info-linker", "-mconst-data-in-progmem"}));
}

// "-l" names resolved against "" (the current directory) and the "-L"
// directories, in the scratch directory as the current directory.
class LibraryResolution : public ::testing::Test {
 protected:
  void touch(const std::string& name) {
    std::filesystem::create_directories(std::filesystem::path(dir_.file(name)).parent_path());
    testutil::write_file(dir_.file(name), "");
  }
  std::string absolute(const std::string& name) const {
    return std::filesystem::canonical(dir_.path()).string() + "/" + name;
  }
  // The last closing option for the libraries and directories given.
  Texts resolved(const Texts& libraries, const Texts& dirs) {
    Texts out = run_closing(
        DEVICE_ZIR,
        [&](OptionState& s) {
          s.libraries = vec_new();
          for (const std::string& l : libraries) vec_push(s.libraries, sc_intern(l.c_str()));
          if (dirs.empty()) return;
          s.library_dirs = vec_new();
          vec_push(s.library_dirs, sc_intern(""));
          for (const std::string& d : dirs) vec_push(s.library_dirs, sc_intern(d.c_str()));
        },
        {}, dir_.path());
    return Texts(out.end() - static_cast<long>(libraries.size()), out.end());
  }

  testutil::TempDir dir_;
};

TEST_F(LibraryResolution, CandidatesInOrder) {
  touch("lib/libfoo.a");
  EXPECT_EQ(resolved({"foo"}, {"lib"}), (Texts{absolute("lib/libfoo.a")}));
  touch("lib/foo.a");
  EXPECT_EQ(resolved({"foo"}, {"lib"}), (Texts{absolute("lib/foo.a")}));
  // The current directory comes before every "-L" directory.
  touch("libfoo.lpp");
  EXPECT_EQ(resolved({"foo"}, {"lib"}), (Texts{absolute("libfoo.lpp")}));
  touch("other/bar.lib");
  touch("later/libbar.a");
  EXPECT_EQ(resolved({"bar"}, {"other", "later"}), (Texts{absolute("other/bar.lib")}));
}

TEST_F(LibraryResolution, NamesWithAnExtensionAreFileNames) {
  touch("lib/libm.o");
  touch("lib/m.o.a");
  EXPECT_EQ(resolved({"m.o"}, {"lib"}), (Texts{absolute("lib/libm.o")}));
}

TEST_F(LibraryResolution, UnresolvedAbsoluteAndUnsearchedNamesStayAsGiven) {
  touch("lib/libfoo.a");
  EXPECT_EQ(resolved({"nothere", "/abs/libfoo.a", "foo"}, {"lib"}),
            (Texts{"nothere", "/abs/libfoo.a", absolute("lib/libfoo.a")}));
  EXPECT_EQ(resolved({"foo"}, {}), (Texts{"foo"}));
}

// 2044 is a warning of the catalogue.
constexpr uint32_t kWarning = 2044;

// The message states the warning options set for the message facility.
TEST(OptionsTools, MessageStates) {
  struct StateCase {
    Texts args;
    uint32_t state;  // of the warning kWarning afterwards
  };
  const std::vector<StateCase> cases = {
      {{"-Wno-2044"}, MSGSTATE_OFF},
      {{"-Wno-2044", "-W2044"}, MSGSTATE_NONE},
      {{"-Wno-all"}, MSGSTATE_QUIET},
      {{"-Wno-all", "-Wall"}, MSGSTATE_NONE},
      {{"-Wno-2044", "-Wall"}, MSGSTATE_NONE},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.args.front());
    auto r = testutil::in_child([&c] {
      options_initialize(OPT_ENABLED);
      vector* out = vec_new();
      vector* args = vec_new();
      for (const std::string& a : c.args) vec_push(args, sc_intern(a.c_str()));
      for (uint32_t i = 0; i < vec_size(args); ++i) option_translate(args, i, DEVICE_ZIR, out);
      return static_cast<int>(alert_msgstate_get(kWarning));
    });
    EXPECT_EQ(r.status, static_cast<int>(c.state)) << r.err;
  }
}

}  // namespace

// A web on an in-memory file system, with the program's data pages in place.
#pragma once

#include <memory>
#include <string>

#include "base/data_folder.h"
#include "engine/web.h"
#include "support/mem_file_system.h"

namespace korvane::testing {

class TWebFixture {
 public:
  TWebFixture() {
    (void)fs.MakeDirs(DataFolder());
    fs.files[DataFolder() + "NotFound.htm"] = "<p>not found</p>";
    fs.files[DataFolder() + "BadLink.htm"] = "<p>bad link</p>";
    mime.SetToDefault();
    // The sessions' tests script every connection in order; the robots.txt a new web asks for
    // first is tested on its own (capture_politeness_test.cpp).
    defaults.Politeness.Robots = false;
  }

  // A web initialised on `url` in /webs/site/.
  std::unique_ptr<TWEB> NewWeb(const std::string& url, const std::string& folder = "/webs/site") {
    auto web = std::make_unique<TWEB>(defaults, fs);
    EXPECT_TRUE(web->Init(url, folder, mime));
    return web;
  }

  std::string LogOf(const TWEB& web) { return fs.files[web.Path() + "LogFile.htm"]; }

  TMemFileSystem fs;
  TOPTIONS defaults;
  TMIMELIST mime;
};

}  // namespace korvane::testing

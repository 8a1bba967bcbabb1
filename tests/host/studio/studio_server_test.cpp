// fwhost studio's server, talked to over HTTP as a browser (or anything else on the
// machine) would: the real program, started on a free port with a private temporary
// folder, then stopped with Ctrl-C.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/dib_image.h"
#include "samples/bmp_file.h"
#include "samples/scenes.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The program, serving; stopped with SIGINT when done.
class Studio {
 public:
  explicit Studio(const std::string& temporary) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      setenv("TMPDIR", temporary.c_str(), 1);
      execl(FWHOST_PROGRAM, FWHOST_PROGRAM, "studio", "--plugin-dir", PLUGIN_DIRECTORY, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    std::smatch match;
    if (std::regex_search(line, match, std::regex("http://127\\.0\\.0\\.1:(\\d+)/\\?token=([0-9a-f]+)"))) {
      port = std::stoi(match[1]);
      token = match[2];
    }
  }
  ~Studio() { stop(); }
  // Ctrl-C; the exit status as waitpid gives it.
  int stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGINT);
    waitpid(pid_, &status_, 0);
    pid_ = 0;
    return status_;
  }

  int port = 0;
  std::string token;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

class StudioServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temporary_ = (fs::temp_directory_path() / ("studio-test-" + std::to_string(getpid()))).string();
    fs::remove_all(temporary_);
    fs::create_directories(temporary_);
    for (int i = 0; i < 2; ++i) {
      DibImage scene = RenderScene(40, 30, 7 + i);
      std::string path = temporary_ + "/scene" + std::to_string(i) + ".bmp";
      ASSERT_TRUE(WriteBmpFile(path.c_str(), scene));
      FreeDibImage(scene);
      pictures_.push_back(ReadFile(path));
      fs::remove(path);
    }
    studio_ = std::make_unique<Studio>(temporary_);
    ASSERT_GT(studio_->port, 0) << "fwhost studio printed no address";
    client_ = std::make_unique<httplib::Client>("127.0.0.1", studio_->port);
    client_->set_read_timeout(120, 0);
    headers_ = {{"X-Fwhost-Token", studio_->token}};
  }
  void TearDown() override {
    studio_.reset();
    fs::remove_all(temporary_);
  }

  int Post(const std::string& path, const httplib::Params& params, std::string* body = nullptr) {
    auto result = client_->Post(path.c_str(), headers_, params);
    if (!result) return -1;
    if (body) *body = result->body;
    return result->status;
  }
  int Get(const std::string& path, std::string* body = nullptr, const httplib::Headers* headers = nullptr) {
    auto result = client_->Get(path.c_str(), headers ? *headers : headers_);
    if (!result) return -1;
    if (body) *body = result->body;
    return result->status;
  }
  std::string NewPage() {
    std::string body;
    EXPECT_EQ(Post("/api/page", {}, &body), 200) << body;
    std::smatch match;
    return std::regex_search(body, match, std::regex("\"page\":\"([0-9a-f]+)\"")) ? match[1].str() : "";
  }
  int Upload(const std::string& page, const std::string& content, std::string* body = nullptr) {
    httplib::MultipartFormDataItems items = {{"picture", content, "scene.bmp", "image/bmp"}};
    auto result = client_->Post(("/api/upload?page=" + page).c_str(), headers_, items);
    if (!result) return -1;
    if (body) *body = result->body;
    return result->status;
  }
  // Waits for the page's build to end; its status text.
  std::string Finished(const std::string& page) {
    std::string body;
    for (int i = 0; i < 1200; ++i) {
      Get("/api/status?page=" + page, &body);
      if (body.find("\"state\":\"queued\"") == std::string::npos &&
          body.find("\"state\":\"running\"") == std::string::npos)
        return body;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return body;
  }
  // Every file under the studio's private folders. The studio may be removing a page's
  // files meanwhile: a listing that loses an entry under its feet is taken again.
  std::vector<std::string> Kept() const {
    std::vector<std::string> files;
    for (int attempt = 0; attempt < 100; ++attempt) {
      files.clear();
      std::error_code failure;
      if (!fs::exists(temporary_, failure)) break;
      fs::recursive_directory_iterator it(temporary_, failure), end;
      for (; !failure && it != end; it.increment(failure)) {
        std::error_code gone;
        if (it->is_regular_file(gone)) files.push_back(it->path().filename().string());
      }
      if (!failure) break;
    }
    return files;
  }

  std::string temporary_;
  std::vector<std::string> pictures_;
  std::unique_ptr<Studio> studio_;
  std::unique_ptr<httplib::Client> client_;
  httplib::Headers headers_;
};

TEST_F(StudioServerTest, RefusesWhatIsNotAskedForProperlyAndDoesNothingElse) {
  std::string page = NewPage();
  ASSERT_FALSE(page.empty());
  std::string body;
  // The page itself: with the token only.
  const httplib::Headers none;
  EXPECT_EQ(Get("/", &body, &none), 403);
  EXPECT_EQ(Get("/?token=" + std::string(studio_->token.size(), '0'), &body, &none), 403);
  EXPECT_EQ(Get("/?token=" + studio_->token, &body, &none), 200);
  EXPECT_NE(body.find("fwhost studio"), std::string::npos);
  // Another name for this address (a rebinding page's), another method, a short token.
  const httplib::Headers rebinding = {{"X-Fwhost-Token", studio_->token}, {"Host", "attacker.example"}};
  EXPECT_EQ(Get("/api/status?page=" + page, &body, &rebinding), 403);
  const httplib::Headers shortToken = {{"X-Fwhost-Token", studio_->token.substr(1)}};
  EXPECT_EQ(Get("/api/status?page=" + page, &body, &shortToken), 403);
  EXPECT_EQ(client_->Delete("/api/page", headers_)->status, 405);
  EXPECT_EQ(Get("/api/nothing", &body), 404);

  // Malformed requests of the dialog and the builds: each a 4xx with its reason.
  struct Case {
    const char* path;
    httplib::Params params;
    int status;
  };
  const std::vector<Case> cases = {
      {"/api/dialog", {{"effect", "pagecurl"}, {"steps", ""}}, 404},                  // no page
      {"/api/dialog", {{"page", "0123"}, {"effect", "pagecurl"}}, 404},              // an unknown page
      {"/api/dialog", {{"page", page}, {"effect", "nosuch"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "../fwplgcrl"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "explode 125"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "click 70000"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "set x 1"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "picture f9"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "picture /etc/passwd"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "colour 127 #zz0000"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "click 125 126"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "click 998"}}, 400},  // Test is a build
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "check 1"}}, 400},
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"format", "tiff"}}, 400},
      // A step the plug-in's dialog refuses: Remove is disabled while the list is empty.
      {"/api/dialog", {{"page", page}, {"effect", "pagecurl"}, {"steps", "click 126"}}, 422},
      {"/api/build", {{"page", page}, {"effect", "pagecurl"}, {"kind", "later"}, {"format", "gif"}}, 400},
      {"/api/build", {{"page", page}, {"effect", "pagecurl"}, {"kind", "ok"}, {"format", "bmp"}}, 400},
      {"/api/stop", {{"page", "nosuch"}}, 404},
  };
  for (const Case& c : cases) {
    std::string reason;
    EXPECT_EQ(Post(c.path, c.params, &reason), c.status) << c.path << " " << reason;
    EXPECT_NE(reason.find("\"error\":"), std::string::npos) << c.path << " gives its reason: " << reason;
  }
  EXPECT_EQ(Get("/api/animation?page=" + page + "&build=../../etc/passwd", &body), 404);
  EXPECT_EQ(Get("/api/animation?page=" + page + "&build=1", &body), 404);

  // Uploads: a form with a picture, of a size a picture may have.
  EXPECT_EQ(Post("/api/upload?page=" + page, {{"picture", "x"}}, &body), 400);
  EXPECT_EQ(Upload(page, "not a picture at all"), 415);
  std::string huge = pictures_[0];
  huge[18] = huge[19] = huge[20] = 0x7F;  // the BMP header's width: far beyond the largest side
  EXPECT_EQ(Upload(page, huge, &body), 413) << body;
  EXPECT_EQ(Upload(page, std::string((size_t{66} << 20), 'B')), 413);
  EXPECT_TRUE(Kept().empty()) << "nothing is kept of refused requests";

  // At most 32 pictures a page.
  for (int i = 0; i < 32; ++i) ASSERT_EQ(Upload(page, pictures_[i % 2], &body), 200) << body;
  EXPECT_EQ(Upload(page, pictures_[0], &body), 429) << body;
  EXPECT_EQ(Kept().size(), 32u);

  // Listening on the loopback only: another address of this machine is not answered.
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) == 0) {
    for (ifaddrs* i = interfaces; i; i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
      auto* address = reinterpret_cast<sockaddr_in*>(i->ifa_addr);
      if ((ntohl(address->sin_addr.s_addr) >> 24) == 127) continue;
      char text[INET_ADDRSTRLEN];
      inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
      httplib::Client outside(text, studio_->port);
      outside.set_connection_timeout(2, 0);
      EXPECT_FALSE(outside.Get("/", headers_)) << "answered at " << text;
    }
    freeifaddrs(interfaces);
  }

  // Ctrl-C ends it, and everything it kept goes with it.
  int status = studio_->stop();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_TRUE(fs::is_empty(temporary_));
}

// Two pages build at once: one at a time, in order, each getting its own animation,
// which is the one the command line it shows makes; Stop and closing end the rest.
TEST_F(StudioServerTest, PagesBuildInTurnWithoutTouchingEachOther) {
  std::string pages[2] = {NewPage(), NewPage()};
  std::string commands[2], files[2];
  for (int i = 0; i < 2; ++i) {
    std::string body, steps;
    for (int p = 0; p < 2; ++p) {
      ASSERT_EQ(Upload(pages[i], pictures_[(p + i) % 2], &body), 200) << body;
      steps += "picture f" + std::to_string(p + 1) + "\n";
    }
    steps += i ? "set 128 9\nclick 132\n" : "set 128 4\n";
    ASSERT_EQ(Post("/api/build", {{"page", pages[i]}, {"effect", "pagecurl"}, {"steps", steps}, {"kind", "ok"},
                                  {"format", "gif"}},
                   &body),
              202)
        << body;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(body, match, std::regex("\"command\":\"([^\"]+)\""))) << body;
    commands[i] = match[1];
    // A second build of a page whose build is under way waits for it to end.
    EXPECT_EQ(Post("/api/build", {{"page", pages[i]}, {"effect", "pagecurl"}, {"steps", steps}, {"kind", "test"},
                                  {"format", "gif"}}),
              409);
  }
  EXPECT_NE(commands[0].find("--step 4"), std::string::npos) << commands[0];
  EXPECT_NE(commands[1].find("--step 9 --corner lower-left"), std::string::npos) << commands[1];
  for (int i = 0; i < 2; ++i) {
    std::string status = Finished(pages[i]);
    ASSERT_NE(status.find("\"state\":\"done\""), std::string::npos) << status;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(status, match, std::regex("\"build\":(\\d+)")));
    ASSERT_EQ(Get("/api/animation?page=" + pages[i] + "&build=" + match[1].str(), &files[i]), 200);
  }
  EXPECT_NE(files[0], files[1]);
  // The same animation from the command line each page shows, with the pictures it names.
  for (int i = 0; i < 2; ++i) {
    std::string folder = temporary_ + "/cli" + std::to_string(i);
    fs::create_directories(folder);
    // Both uploads are named scene.bmp on the page; the command line takes them by
    // their places, so write them under their own names and put those in.
    std::string command = commands[i];
    for (int p = 0; p < 2; ++p) {
      std::string name = "picture" + std::to_string(p) + ".bmp";
      std::ofstream(folder + "/" + name, std::ios::binary) << pictures_[(p + i) % 2];
      command.replace(command.find("scene.bmp"), 9, name);
    }
    command.replace(0, 6, "'" FWHOST_PROGRAM "'");
    ASSERT_EQ(std::system(("cd '" + folder + "' && " + command + " -q").c_str()), 0) << command;
    EXPECT_EQ(ReadFile(folder + "/pagecurl.gif"), files[i]) << command;
    fs::remove_all(folder);
  }

  // Stop ends a build; closing a page ends it and removes its files.
  std::string body;
  ASSERT_EQ(Post("/api/build", {{"page", pages[0]}, {"effect", "pagecurl"}, {"steps", "picture f1\npicture f2\nset 128 1"},
                                {"kind", "ok"}, {"format", "png"}}),
            202);
  ASSERT_EQ(Post("/api/stop", {{"page", pages[0]}}), 200);
  EXPECT_NE(Finished(pages[0]).find("\"state\":\"stopped\""), std::string::npos);
  ASSERT_EQ(Post("/api/close", {{"page", pages[1]}}), 200);
  EXPECT_EQ(Get("/api/status?page=" + pages[1], &body), 404);
  for (int i = 0; i < 50 && Kept().size() > 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Kept().size(), 3u) << "page 1 keeps its two pictures and its animation; page 2 nothing";
}

}  // namespace

#include "host/studio/studio_server.h"

#include <httplib.h>
#include <stdio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "host/effect_run.h"
#include "host/exit_cleanup.h"
#include "host/picture_header.h"
#include "host/plugin_library.h"
#include "host/studio/studio_page.h"
#include "host/studio/studio_words.h"
#include "platform/directories.h"
#include "platform/memory.h"

namespace {

using Clock = std::chrono::steady_clock;

// The size of the pictures a Test build makes: every picture is scaled to fit inside.
constexpr const char* kPreviewFit = "480x360";

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
    else if (c == '\n') out += "\\n";
    else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string RandomHex(size_t bytes) {
  std::random_device source;  // the kernel's random numbers
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < bytes; ++i) {
    unsigned value = source() & 0xFF;
    out += digits[value >> 4];
    out += digits[value & 15];
  }
  return out;
}

// Compares without stopping at the first difference, so that the time taken tells
// nothing of the token.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

void Refuse(httplib::Response& res, int status, const std::string& reason) {
  res.status = status;
  res.set_content("{\"error\":" + JsonText(reason) + "}", "application/json");
}

// The name a picture is shown with: the last part of what the browser sent, without
// control characters.
std::string ShownName(const std::string& sent) {
  std::string name = sent.substr(sent.find_last_of("/\\") == std::string::npos ? 0 : sent.find_last_of("/\\") + 1);
  std::string clean;
  for (unsigned char c : name)
    if (c >= 0x20 && c != 0x7F) clean += static_cast<char>(c);
  if (clean.size() > 120) clean = clean.substr(clean.size() - 120);
  return clean.empty() || clean == "." || clean == ".." ? "picture" : clean;
}

const char* ExtensionOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::Bmp: return ".bmp";
    case PictureFormat::Gif: return ".gif";
    case PictureFormat::Png: return ".png";
    case PictureFormat::Jpeg: return ".jpg";
    case PictureFormat::Webp: return ".webp";
    case PictureFormat::Unknown: break;
  }
  return "";
}

// An output kind the page offers: its word, the file's extension and MIME type, the
// option it adds to the command line, and how the page names it.
struct OutputFormat {
  const char* word;
  const char* extension;
  const char* mime;
  const char* option;  // null: none
  const char* label;
};

const OutputFormat kFormats[] = {
    {"gif", ".gif", "image/gif", nullptr, "GIF (colours made by fwhost from true colour)"},
    {"gif-plugin", ".gif", "image/gif", "--plugin-colours", "GIF (the plug-in's own colours)"},
    {"webp", ".webp", "image/webp", nullptr, "WebP (true colour, lossless)"},
    {"webp-quality", ".webp", "image/webp", "--quality", "WebP (colours made by fwhost, smaller)"},
    {"png", ".png", "image/apng", nullptr, "PNG (animated)"},
};

// The words of kFormats, "gif, gif-plugin, ... or png".
std::string FormatWords() {
  std::string words;
  const size_t count = std::size(kFormats);
  for (size_t i = 0; i < count; ++i)
    words += std::string(i == 0 ? "" : i + 1 == count ? " or " : ", ") + kFormats[i].word;
  return words;
}

const OutputFormat* FindFormat(const std::string& word) {
  for (const OutputFormat& format : kFormats)
    if (word == format.word) return &format;
  return nullptr;
}

// The pictures of the dialogs shown, decoded once: every step runs the dialog again,
// and a plug-in loads its pictures as they are added. The oldest go first past
// kCachedPictureBytes. Used under the plug-in lock only.
class DecodedPictures : public PictureCache {
 public:
  static constexpr size_t kCachedPictureBytes = size_t{512} << 20;
  ~DecodedPictures() override {
    for (auto& entry : kept_) FreeDibImage(entry.image);
  }
  DibImage copyOf(const std::string& path) override {
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
      if (it->path != path) continue;
      kept_.splice(kept_.end(), kept_, it);  // the most recently used last
      return DuplicateDibImage(it->image);
    }
    return nullptr;
  }
  void keep(const std::string& path, DibImage image) override {
    DibImage copy = DuplicateDibImage(image);
    if (!copy) return;
    kept_.push_back({path, copy, platform::BlockSize(copy)});
    bytes_ += kept_.back().bytes;
    while (bytes_ > kCachedPictureBytes && kept_.size() > 1) drop(kept_.begin());
  }
  // Forgets the pictures of a folder (a page closed).
  void forget(const std::string& directory) {
    for (auto it = kept_.begin(); it != kept_.end();) {
      auto next = std::next(it);
      if (it->path.compare(0, directory.size() + 1, directory + "/") == 0) drop(it);
      it = next;
    }
  }

 private:
  struct Entry {
    std::string path;
    DibImage image;
    size_t bytes;
  };
  void drop(std::list<Entry>::iterator it) {
    bytes_ -= it->bytes;
    FreeDibImage(it->image);
    kept_.erase(it);
  }
  std::list<Entry> kept_;
  size_t bytes_ = 0;
};

struct Upload {
  std::string path;  // in the page's folder
  std::string name;  // as the browser named it
};

struct Build {
  enum class State { Queued, Running, Done, Failed, Stopped };
  int number = 0;
  std::string pageId;
  std::string effect;
  std::vector<std::string> words;  // what runs
  bool test = false;
  const OutputFormat* format = nullptr;
  std::string output;
  State state = State::Queued;
  std::string status;  // the plug-in's status text
  long done = 0, total = 0;
  std::string messages;  // the plug-in's messages, then what fwhost said
  RunOutcome outcome;
  std::atomic<bool> stop{false};
};

const char* StateName(Build::State state) {
  switch (state) {
    case Build::State::Queued: return "queued";
    case Build::State::Running: return "running";
    case Build::State::Done: return "done";
    case Build::State::Failed: return "failed";
    case Build::State::Stopped: return "stopped";
  }
  return "";
}

struct Page {
  std::string id;
  std::string directory;
  std::map<std::string, Upload> uploads;
  int nextUpload = 1;
  std::shared_ptr<Build> build;  // the latest one asked for
  std::map<int, std::shared_ptr<Build>> finished;  // the latest Test and OK that were written, by number
  Clock::time_point seen = Clock::now();
  bool closing = false;
};

// Reads the text a memory stream gathered, and closes it.
class MessageStream {
 public:
  MessageStream() : file_(open_memstream(&buffer_, &size_)) {}
  ~MessageStream() {
    if (file_) std::fclose(file_);
    free(buffer_);
  }
  std::FILE* file() const { return file_; }
  std::string take() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    return buffer_ ? std::string(buffer_, size_) : std::string();
  }

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace

class StudioServer::Impl {
 public:
  Impl(const std::string& directory, const std::string& pluginDirectory, const StudioLimits& limits)
      : directory_(directory), pluginDirectory_(pluginDirectory), limits_(limits), token_(RandomHex(16)) {}

  bool bind(int port, std::string* error);
  bool serve();
  void stop();

  httplib::Server server_;
  std::string directory_, pluginDirectory_;
  StudioLimits limits_;
  std::string token_;
  int port_ = 0;

 private:
  void routes();
  bool allowed(const httplib::Request& req, httplib::Response& res);
  // The page a request names, seen now; null (with the response made) when none.
  std::shared_ptr<Page> pageOf(const httplib::Request& req, httplib::Response& res);
  const EffectRow* effectOf(const httplib::Request& req, httplib::Response& res);
  bool wordsOf(const EffectRow& row, const Page& page, const std::string& steps, StudioWords* words,
               httplib::Response& res);
  std::string commandLine(const EffectRow& row, const StudioWords& words, const OutputFormat& format, bool test);
  std::string effectsJson();
  void newPage(const httplib::Request& req, httplib::Response& res);
  void dialog(const httplib::Request& req, httplib::Response& res);
  void upload(const httplib::Request& req, httplib::Response& res);
  void build(const httplib::Request& req, httplib::Response& res);
  void status(const httplib::Request& req, httplib::Response& res);
  void stopBuild(const httplib::Request& req, httplib::Response& res);
  void closePage(const httplib::Request& req, httplib::Response& res);
  void animation(const httplib::Request& req, httplib::Response& res);
  void work();
  void run(const std::shared_ptr<Build>& build);
  void closeIdlePages(std::vector<std::string>* closed);

  std::mutex mutex_;  // guards everything below and the builds' fields
  std::map<std::string, std::shared_ptr<Page>> pages_;
  std::deque<std::shared_ptr<Build>> queue_;
  std::condition_variable wake_;
  bool stopping_ = false;
  int nextBuild_ = 1;
  std::thread worker_;
  // One plug-in run at a time in the process: a plug-in keeps its thread count and
  // settings folder for the span of its dialog. Guards `pictures_` too.
  std::mutex pluginMutex_;
  DecodedPictures pictures_;
};

bool StudioServer::Impl::bind(int port, std::string* error) {
  routes();
  port_ = port ? (server_.bind_to_port("127.0.0.1", port) ? port : -1) : server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    *error = port ? "cannot listen on 127.0.0.1 port " + std::to_string(port) + " (in use?)"
                  : "cannot listen on 127.0.0.1";
    return false;
  }
  return true;
}

bool StudioServer::Impl::serve() {
  worker_ = std::thread([this] { work(); });
  bool served = server_.listen_after_bind();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (auto& build : queue_) build->stop = true;
    for (auto& [id, page] : pages_)
      if (page->build) page->build->stop = true;
  }
  wake_.notify_all();
  worker_.join();
  for (auto& [id, page] : pages_) RemovePath(page->directory, true);
  pages_.clear();
  return served;
}

void StudioServer::Impl::stop() { server_.stop(); }

bool StudioServer::Impl::allowed(const httplib::Request& req, httplib::Response& res) {
  // The name the browser reached us by: only the loopback's, so that a page of another
  // site whose name was made to point here (DNS rebinding) is turned away.
  std::string host = req.get_header_value("Host");
  std::string port = ":" + std::to_string(port_);
  if (host != "127.0.0.1" + port && host != "localhost" + port) {
    Refuse(res, 403, "fwhost studio answers only at 127.0.0.1" + port);
    return false;
  }
  if (req.method != "GET" && req.method != "POST") {
    Refuse(res, 405, "fwhost studio takes GET and POST only");
    return false;
  }
  std::string token = req.has_header("X-Fwhost-Token") ? req.get_header_value("X-Fwhost-Token")
                                                       : req.get_param_value("token");
  if (!SameSecret(token, token_)) {
    Refuse(res, 403, "open the address fwhost studio printed, token included");
    return false;
  }
  return true;
}

std::shared_ptr<Page> StudioServer::Impl::pageOf(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = pages_.find(req.get_param_value("page"));
  if (found == pages_.end() || found->second->closing) {
    Refuse(res, 404, "no such page: it was closed, or the studio was restarted; reload the page");
    return nullptr;
  }
  found->second->seen = Clock::now();
  return found->second;
}

const EffectRow* StudioServer::Impl::effectOf(const httplib::Request& req, httplib::Response& res) {
  std::string name = req.get_param_value("effect");
  const EffectRow* row = name.empty() ? nullptr : FindEffectRow(name.c_str());
  if (!row) Refuse(res, 400, "no effect named \"" + name + "\"");
  return row;
}

bool StudioServer::Impl::wordsOf(const EffectRow& row, const Page& page, const std::string& steps, StudioWords* words,
                                 httplib::Response& res) {
  std::string error;
  bool known = StudioStepsToWords(
      row, steps,
      [&](const std::string& file, std::string* path, std::string* shown) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = page.uploads.find(file);
        if (found == page.uploads.end()) return false;
        *path = found->second.path;
        *shown = found->second.name;
        return true;
      },
      words, &error);
  if (!known) Refuse(res, 400, error);
  return known;
}

std::string StudioServer::Impl::commandLine(const EffectRow& row, const StudioWords& words, const OutputFormat& format,
                                            bool test) {
  std::vector<std::string> line = {"fwhost", row.name};
  line.insert(line.end(), words.shown.begin(), words.shown.end());
  if (test) line.insert(line.end(), {"--test", "--fit", kPreviewFit});
  if (format.option) line.push_back(format.option);
  if (!pluginDirectory_.empty()) line.insert(line.end(), {"--plugin-dir", pluginDirectory_});
  line.insert(line.end(), {"-o", std::string(row.name) + format.extension});
  return ShellCommandLine(line);
}

std::string StudioServer::Impl::effectsJson() {
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  std::vector<std::string> directories = PluginDirectories(pluginDirectory_);
  std::string out = "[";
  for (size_t i = 0; i < count; ++i) {
    const EffectRow& row = rows[i];
    bool installed = !row.library || !LocatePlugin(row.library, directories).empty();
    std::string colours, lists, help;
    for (size_t o = 0; o < row.optionCount; ++o) {
      const EffectOption& option = row.options[o];
      auto addHelp = [&](int id, const std::string& text) {
        help += std::string(help.empty() ? "" : ",") + "\"" + std::to_string(id) + "\":" + JsonText(text);
      };
      if (option.kind == OptionKind::Choice) {
        for (const OptionChoice* c = option.choices; c->word; ++c) addHelp(c->id, option.help);
      } else {
        addHelp(option.id, option.help);
        if (option.kind == OptionKind::Number) addHelp(option.id + kUpDownOffset, option.help);
      }
      if (option.kind == OptionKind::Colour) colours += (colours.empty() ? "" : ",") + std::to_string(option.id);
      if (option.kind == OptionKind::ListColour)
        lists += std::string(lists.empty() ? "" : ",") + "{\"id\":" + std::to_string(option.id) +
                 ",\"first\":" + std::to_string(option.minimum) + "}";
    }
    const char* sources = row.sources == SourceKind::PictureList     ? "list"
                          : row.sources == SourceKind::SinglePicture ? "single"
                                                                     : "none";
    out += std::string(i ? "," : "") + "{\"name\":" + JsonText(row.name) + ",\"title\":" + JsonText(row.title) +
           ",\"summary\":" + JsonText(row.summary) + ",\"installed\":" + (installed ? "true" : "false") +
           ",\"sources\":\"" + sources + "\",\"add\":" + std::to_string(row.addButton) +
           ",\"paste\":" + std::to_string(row.pasteButton) + ",\"test\":" + std::to_string(row.controls.test) +
           ",\"about\":" + std::to_string(row.controls.about) + ",\"logo\":" + std::to_string(row.controls.logo) +
           ",\"colours\":[" + colours + "],\"colourLists\":[" + lists + "],\"help\":{" + help + "}}";
  }
  return out + "]";
}

void StudioServer::Impl::newPage(const httplib::Request&, httplib::Response& res) {
  auto page = std::make_shared<Page>();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (static_cast<int>(pages_.size()) >= limits_.pages)
      return Refuse(res, 429, "too many studio pages are open; close one first");
    page->id = RandomHex(8);
    page->directory = platform::JoinPath(directory_, "page-" + page->id);
    std::error_code failure;
    if (!std::filesystem::create_directory(page->directory, failure))
      return Refuse(res, 500, "cannot make the page's folder in " + directory_);
    pages_[page->id] = page;
  }
  std::string formats;
  for (const OutputFormat& format : kFormats)
    formats += std::string(formats.empty() ? "" : ",") + "{\"word\":" + JsonText(format.word) +
               ",\"label\":" + JsonText(format.label) + "}";
  res.set_content("{\"page\":" + JsonText(page->id) + ",\"effects\":" + effectsJson() + ",\"formats\":[" + formats +
                      "],\"idleSeconds\":" + std::to_string(limits_.idleSeconds) +
                      ",\"previewFit\":" + JsonText(kPreviewFit) + "}",
                  "application/json");
}

void StudioServer::Impl::dialog(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  const EffectRow* row = page ? effectOf(req, res) : nullptr;
  StudioWords words;
  if (!row || !wordsOf(*row, *page, req.get_param_value("steps"), &words, res)) return;
  const OutputFormat* format = FindFormat(req.has_param("format") ? req.get_param_value("format") : "gif");
  if (!format) return Refuse(res, 400, "no output format \"" + req.get_param_value("format") + "\"");
  std::vector<std::string> run = words.run;
  if (!pluginDirectory_.empty()) run.insert(run.end(), {"--plugin-dir", pluginDirectory_});
  MessageStream messages;
  RunHooks hooks;
  hooks.messages = messages.file();
  hooks.progress = [](const std::string&, long, long, const std::string&) {};
  hooks.dialogStateOnly = true;
  hooks.pictures = &pictures_;
  RunOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(pluginMutex_);
    outcome = RunEffect(row->name, run, hooks);
  }
  std::string said = messages.take();
  if (outcome.status != 0 || outcome.dialogState.empty())
    return Refuse(res, outcome.status == 2 ? 422 : 500, said.empty() ? "the dialog could not be shown" : said);
  res.set_content("{\"dialog\":" + outcome.dialogState + ",\"command\":" +
                      JsonText(commandLine(*row, words, *format, false)) + ",\"messages\":" + JsonText(said) + "}",
                  "application/json");
}

void StudioServer::Impl::upload(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  if (!page) return;
  if (!req.is_multipart_form_data() || !req.has_file("picture"))
    return Refuse(res, 400, "an upload is a form with one file named \"picture\"");
  httplib::MultipartFormData file = req.get_file_value("picture");
  if (file.content.size() > limits_.uploadBytes)
    return Refuse(res, 413, "a picture may be at most " + std::to_string(limits_.uploadBytes >> 20) + " MB");
  PictureHeader header;
  std::string error;
  if (!ReadPictureHeader(reinterpret_cast<const unsigned char*>(file.content.data()), file.content.size(), &header,
                         &error))
    return Refuse(res, 415, ShownName(file.filename) + ": " + error);
  std::string tooLarge = CheckPictureSize(header.width, header.height);
  if (!tooLarge.empty()) return Refuse(res, 413, ShownName(file.filename) + ": " + tooLarge);
  Upload stored;
  std::string id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (static_cast<int>(page->uploads.size()) >= limits_.uploadsPerPage)
      return Refuse(res, 429, "a page holds at most " + std::to_string(limits_.uploadsPerPage) + " pictures");
    id = "f" + std::to_string(page->nextUpload++);
    stored.path = platform::JoinPath(page->directory, id + ExtensionOf(header.format));
    stored.name = ShownName(file.filename);
  }
  std::ofstream out(stored.path, std::ios::binary);
  out.write(file.content.data(), static_cast<std::streamsize>(file.content.size()));
  out.close();
  if (!out) {
    RemovePath(stored.path, false);
    return Refuse(res, 507, "the picture could not be stored in " + page->directory);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    page->uploads[id] = stored;
  }
  res.set_content("{\"file\":" + JsonText(id) + ",\"name\":" + JsonText(stored.name) + ",\"width\":" +
                      std::to_string(header.width) + ",\"height\":" + std::to_string(header.height) + "}",
                  "application/json");
}

void StudioServer::Impl::build(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  const EffectRow* row = page ? effectOf(req, res) : nullptr;
  StudioWords words;
  if (!row || !wordsOf(*row, *page, req.get_param_value("steps"), &words, res)) return;
  std::string kind = req.get_param_value("kind");
  const OutputFormat* format = FindFormat(req.get_param_value("format"));
  if ((kind != "test" && kind != "ok") || !format)
    return Refuse(res, 400, "a build is kind=test or kind=ok, with a format: " + FormatWords());
  auto job = std::make_shared<Build>();
  job->pageId = page->id;
  job->effect = row->name;
  job->test = kind == "test";
  job->format = format;
  job->words = words.run;
  if (job->test) job->words.insert(job->words.end(), {"--test", "--fit", kPreviewFit});
  if (format->option) job->words.push_back(format->option);
  if (!pluginDirectory_.empty()) job->words.insert(job->words.end(), {"--plugin-dir", pluginDirectory_});
  std::string command = commandLine(*row, words, *format, job->test);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (page->build && (page->build->state == Build::State::Queued || page->build->state == Build::State::Running))
      return Refuse(res, 409, "this page's build is still under way; Stop it first");
    job->number = nextBuild_++;
    job->output = platform::JoinPath(page->directory, "build-" + std::to_string(job->number) + format->extension);
    job->words.insert(job->words.end(), {"-q", "-o", job->output});
    page->build = job;
    queue_.push_back(job);
  }
  wake_.notify_all();
  res.status = 202;
  res.set_content("{\"build\":" + std::to_string(job->number) + ",\"command\":" + JsonText(command) + "}",
                  "application/json");
}

void StudioServer::Impl::status(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  if (!page) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::shared_ptr<Build> job = page->build;
  if (!job) return res.set_content("{\"state\":\"idle\"}", "application/json");
  size_t position = 0;
  for (size_t i = 0; i < queue_.size(); ++i)
    if (queue_[i] == job) position = i + 1;
  std::string out = "{\"state\":\"" + std::string(StateName(job->state)) + "\",\"build\":" +
                    std::to_string(job->number) + ",\"test\":" + (job->test ? "true" : "false") +
                    ",\"queued\":" + std::to_string(position) + ",\"status\":" + JsonText(job->status) +
                    ",\"done\":" + std::to_string(job->done) + ",\"total\":" + std::to_string(job->total) +
                    ",\"messages\":" + JsonText(job->messages);
  if (job->state == Build::State::Done)
    out += ",\"frames\":" + std::to_string(job->outcome.frames) + ",\"width\":" + std::to_string(job->outcome.width) +
           ",\"height\":" + std::to_string(job->outcome.height) + ",\"bytes\":" + std::to_string(job->outcome.bytes) +
           ",\"format\":" + JsonText(job->format->word) + ",\"mime\":" + JsonText(job->format->mime) +
           ",\"file\":" + JsonText(job->effect + job->format->extension);
  res.set_content(out + "}", "application/json");
}

void StudioServer::Impl::stopBuild(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  if (!page) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (page->build) page->build->stop = true;
  res.set_content("{}", "application/json");
}

void StudioServer::Impl::closePage(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  if (!page) return;
  std::lock_guard<std::mutex> lock(mutex_);
  page->closing = true;  // the worker removes it once its build has ended
  if (page->build) page->build->stop = true;
  wake_.notify_all();
  res.set_content("{}", "application/json");
}

void StudioServer::Impl::animation(const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<Page> page = pageOf(req, res);
  if (!page) return;
  std::shared_ptr<Build> job;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string wanted = req.get_param_value("build");
    for (auto& [number, finished] : page->finished)
      if (std::to_string(number) == wanted) job = finished;
  }
  if (!job) return Refuse(res, 404, "no finished build " + req.get_param_value("build") + " on this page");
  std::ifstream in(job->output, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return Refuse(res, 500, "the animation could not be read");
  if (req.get_param_value("download") == "1")
    res.set_header("Content-Disposition", "attachment; filename=\"" + job->effect + job->format->extension + "\"");
  res.set_content(bytes, job->format->mime);
}

void StudioServer::Impl::routes() {
  server_.set_payload_max_length(limits_.uploadBytes + (size_t{1} << 20));
  // A browser keeps several connections open a page, each holding a thread until it
  // has been idle a while: room for every page, and idle connections let go soon.
  server_.new_task_queue = [pages = limits_.pages] { return new httplib::ThreadPool(static_cast<size_t>(pages) * 2 + 8); };
  server_.set_keep_alive_timeout(2);
  server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    res.set_header("Cache-Control", "no-store");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("X-Content-Type-Options", "nosniff");
    return allowed(req, res) ? httplib::Server::HandlerResponse::Unhandled : httplib::Server::HandlerResponse::Handled;
  });
  server_.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    if (res.status == 404) Refuse(res, 404, "no such request: " + req.method + " " + req.path);
    else if (res.status == 413) Refuse(res, 413, "the request is larger than the studio takes");
    else Refuse(res, res.status, "a malformed request");
  });
  server_.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; img-src 'self' blob: data:; style-src 'unsafe-inline'; "
                   "script-src 'unsafe-inline'; frame-ancestors 'none'");
    res.set_content(StudioPage(), "text/html; charset=utf-8");
  });
  server_.Post("/api/page", [this](const httplib::Request& q, httplib::Response& r) { newPage(q, r); });
  server_.Post("/api/dialog", [this](const httplib::Request& q, httplib::Response& r) { dialog(q, r); });
  server_.Post("/api/upload", [this](const httplib::Request& q, httplib::Response& r) { upload(q, r); });
  server_.Post("/api/build", [this](const httplib::Request& q, httplib::Response& r) { build(q, r); });
  server_.Get("/api/status", [this](const httplib::Request& q, httplib::Response& r) { status(q, r); });
  server_.Post("/api/stop", [this](const httplib::Request& q, httplib::Response& r) { stopBuild(q, r); });
  server_.Post("/api/close", [this](const httplib::Request& q, httplib::Response& r) { closePage(q, r); });
  server_.Get("/api/animation", [this](const httplib::Request& q, httplib::Response& r) { animation(q, r); });
}

void StudioServer::Impl::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    std::vector<std::string> closed;
    closeIdlePages(&closed);
    if (!closed.empty()) {  // their pictures are forgotten outside mutex_, which plug-in runs take after pluginMutex_
      lock.unlock();
      std::lock_guard<std::mutex> plugin(pluginMutex_);
      for (const std::string& directory : closed) pictures_.forget(directory);
      lock.lock();
      continue;
    }
    if (queue_.empty()) {
      wake_.wait_for(lock, std::chrono::seconds(1));
      continue;
    }
    std::shared_ptr<Build> job = queue_.front();
    queue_.pop_front();
    if (job->stop) {
      job->state = Build::State::Stopped;
      continue;
    }
    job->state = Build::State::Running;
    lock.unlock();
    run(job);
    lock.lock();
  }
}

// Runs outside mutex_: the plug-in's status and the page's Stop reach the build meanwhile.
void StudioServer::Impl::run(const std::shared_ptr<Build>& job) {
  MessageStream messages;
  RunHooks hooks;
  hooks.messages = messages.file();
  hooks.progress = [this, job](const std::string& status, long done, long total, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    job->status = status;
    job->done = done;
    job->total = total;
    if (!message.empty()) job->messages += message + "\n";
  };
  hooks.stopRequested = [job] { return job->stop.load(); };
  RunOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(pluginMutex_);
    outcome = RunEffect(job->effect, job->words, hooks);
  }
  std::string said = messages.take();
  std::lock_guard<std::mutex> lock(mutex_);
  job->outcome = outcome;
  job->state = outcome.status == 0 ? Build::State::Done
               : job->stop         ? Build::State::Stopped
                                   : Build::State::Failed;
  // What the run said holds the plug-in's messages too (shown live meanwhile); a stopped
  // build's are only the plug-in's answer to the refused delivery.
  job->messages = job->state == Build::State::Stopped ? "the build was stopped; nothing was written" : said;
  auto page = pages_.find(job->pageId);
  if (job->state != Build::State::Done || page == pages_.end()) {
    RemovePath(job->output, false);
    return;
  }
  // The page keeps its latest Test and its latest OK.
  auto& finished = page->second->finished;
  for (auto it = finished.begin(); it != finished.end();) {
    if (it->second->test == job->test) {
      RemovePath(it->second->output, false);
      it = finished.erase(it);
    } else {
      ++it;
    }
  }
  finished[job->number] = job;
}

// Pages closed, or not heard from for a while (the tab was closed), end their builds
// and lose their folders, which are added to `closed`. Called with mutex_ held.
void StudioServer::Impl::closeIdlePages(std::vector<std::string>* closed) {
  const Clock::time_point now = Clock::now();
  for (auto it = pages_.begin(); it != pages_.end();) {
    Page& page = *it->second;
    if (now - page.seen > std::chrono::seconds(limits_.idleSeconds)) page.closing = true;
    if (!page.closing) {
      ++it;
      continue;
    }
    bool busy = false;
    if (page.build && page.build->state == Build::State::Running) {
      page.build->stop = true;
      busy = true;
    }
    if (busy) {
      ++it;
      continue;
    }
    for (auto& queued : queue_)
      if (queued->pageId == page.id) queued->stop = true;
    RemovePath(page.directory, true);
    closed->push_back(page.directory);
    it = pages_.erase(it);
  }
}

StudioServer::StudioServer(const std::string& directory, const std::string& pluginDirectory,
                           const StudioLimits& limits)
    : impl_(std::make_unique<Impl>(directory, pluginDirectory, limits)) {}
StudioServer::~StudioServer() = default;
bool StudioServer::bind(int port, std::string* error) { return impl_->bind(port, error); }
int StudioServer::port() const { return impl_->port_; }
const std::string& StudioServer::token() const { return impl_->token_; }
std::string StudioServer::address() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port_) + "/?token=" + impl_->token_;
}
bool StudioServer::serve() { return impl_->serve(); }
void StudioServer::stop() { impl_->stop(); }

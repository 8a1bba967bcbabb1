#include "host/exit_cleanup.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <utility>
#include <vector>

#include "host/host_platform.h"

namespace {

std::mutex g_lock;
std::vector<std::pair<std::string, bool>> g_paths;
std::vector<std::pair<int, std::function<void()>>> g_steps;
int g_nextStep = 1;
// Set once the stop's cleanup has run: a path made after it (by a thread still at work
// while the program ends) is removed as soon as it is named.
bool g_stopped = false;

}  // namespace

void RemoveWhenStopped(const std::string& path, bool directory) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_stopped) RemovePath(path, directory);
  else g_paths.emplace_back(path, directory);
}

std::string MakeRemovedWhenStopped(const std::function<std::string()>& make, bool directory) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_stopped) return std::string();
  std::string path = make();
  if (!path.empty()) g_paths.emplace_back(path, directory);
  return path;
}

void ForgetWhenStopped(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_paths.erase(std::remove_if(g_paths.begin(), g_paths.end(), [&](const auto& p) { return p.first == path; }),
                g_paths.end());
}

int RunWhenStopped(std::function<void()> step) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_steps.emplace_back(g_nextStep, std::move(step));
  return g_nextStep++;
}

void ForgetStep(int id) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_steps.erase(std::remove_if(g_steps.begin(), g_steps.end(), [&](const auto& s) { return s.first == id; }),
                g_steps.end());
}

void RemovePath(const std::string& path, bool directory) {
  std::error_code ignored;
  if (directory) std::filesystem::remove_all(path, ignored);
  else std::filesystem::remove(path, ignored);
}

void RemoveRegisteredPaths() {
  std::lock_guard<std::mutex> hold(g_lock);
  for (const auto& step : g_steps) step.second();
  g_steps.clear();
  for (const auto& [path, directory] : g_paths) RemovePath(path, directory);
  g_paths.clear();
  g_stopped = true;
}

// The C entries of the shared library: job handles over run_sort, and the
// texts of the error codes.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "sort_job.h"
#include "job_file.h"
#include "sortsol/sortsol.h"
#include "stat_tri.h"

namespace {

struct JobState {
  sortsol::SortJob job;
  SSICallback callback = nullptr;
  int32_t user_value = 0;
  bool sorted = false;
  StatTri stats{};
};

std::mutex g_mutex;
std::map<int32_t, std::unique_ptr<JobState>> g_jobs;
int32_t g_next_handle = 1;
std::map<int32_t, std::string> g_last_message;  // latest detailed text per code

int32_t fail(const sortsol::SortError& e) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_last_message[e.code] = e.message;
  return e.code;
}

int32_t fail(int32_t code) { return fail(sortsol::SortError{code, sortsol::generic_message(code)}); }

// The job of a handle; jobs are used by one caller at a time.
JobState* find_job(int32_t handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_jobs.find(handle);
  return it == g_jobs.end() ? nullptr : it->second.get();
}

}  // namespace

extern "C" {

SORTSOL_API int32_t SSICreateFromFile(int32_t* handle, const char* job_file_path, InfoTri* info) {
  if (!handle || !job_file_path) return fail(SSI_ERR_ARGUMENT);
  if (info && info->size != static_cast<int32_t>(sizeof(InfoTri))) return fail(SSI_ERR_ARGUMENT);
  try {
    sortsol::ParsedJob parsed = sortsol::read_job_file(job_file_path);
    if (parsed.error) return fail(*parsed.error);
    auto state = std::make_unique<JobState>();
    state->job = std::move(parsed.job);
    std::lock_guard<std::mutex> lock(g_mutex);
    const int32_t h = g_next_handle++;
    if (g_next_handle <= 0) g_next_handle = 1;
    g_jobs[h] = std::move(state);
    *handle = h;
    return SSI_OK;
  } catch (const std::bad_alloc&) {
    return fail(SSI_ERR_MEMORY);
  }
}

SORTSOL_API int32_t SSIRegisterCallback(int32_t handle, SSICallback callback, int32_t user_value) {
  JobState* state = find_job(handle);
  if (!state) return fail(SSI_ERR_HANDLE);
  state->callback = callback;
  state->user_value = user_value;
  return SSI_OK;
}

SORTSOL_API int32_t SSISort(int32_t handle) {
  JobState* state = find_job(handle);
  if (!state) return fail(SSI_ERR_HANDLE);
  try {
    sortsol::SortOutcome outcome = sortsol::run_sort(state->job);
    if (outcome.error) return fail(*outcome.error);
    state->stats = sortsol::to_stat_tri(state->job, outcome.figures);
    state->sorted = true;
    return SSI_OK;
  } catch (const std::bad_alloc&) {
    return fail(SSI_ERR_MEMORY);
  }
}

SORTSOL_API int32_t SSIGetStats(int32_t handle, StatTri* stats) {
  JobState* state = find_job(handle);
  if (!state) return fail(SSI_ERR_HANDLE);
  if (!stats || stats->size != static_cast<int32_t>(sizeof(StatTri))) return fail(SSI_ERR_ARGUMENT);
  if (!state->sorted) return fail(SSI_ERR_NO_STATS);
  std::memcpy(stats, &state->stats, sizeof(StatTri));
  return SSI_OK;
}

SORTSOL_API int32_t SSIFree(int32_t handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_jobs.erase(handle) == 0) {
    g_last_message[SSI_ERR_HANDLE] = sortsol::generic_message(SSI_ERR_HANDLE);
    return SSI_ERR_HANDLE;
  }
  return SSI_OK;
}

SORTSOL_API int32_t SSIGetErrorMessage(int32_t code, char* text, int32_t* length) {
  if (!text || !length || *length <= 0) return SSI_ERR_ARGUMENT;
  std::string message;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_last_message.find(code);
    message = it != g_last_message.end() ? it->second : sortsol::generic_message(code);
  }
  const std::size_t room = static_cast<std::size_t>(*length) - 1;
  const std::size_t n = message.size() < room ? message.size() : room;
  std::memcpy(text, message.data(), n);
  text[n] = '\0';
  *length = static_cast<int32_t>(n);
  return SSI_OK;
}

}  // extern "C"

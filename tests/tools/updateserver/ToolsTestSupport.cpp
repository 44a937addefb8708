#include "ToolsTestSupport.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "travik-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

RunningUpdateServer::RunningUpdateServer(const std::string& releases)
    : m_server(releases, [this](const std::string& line) {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_log.push_back(line);
      }) {
    m_port = m_server.Bind(0);
    if (m_port <= 0) {
        throw std::runtime_error("the update server could not bind");
    }
    m_thread = std::thread([this] { m_server.Run(); });
    // Requests queue on the bound socket meanwhile; only Stop needs the loop running.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server.IsRunning() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

RunningUpdateServer::~RunningUpdateServer() {
    m_server.Stop();
    m_thread.join();
}

std::vector<std::string> RunningUpdateServer::Log() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

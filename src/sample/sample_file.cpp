// Putting the sample into the data directory: written once, never over an existing file, and
// never visible half-written (it is written under a temporary name and then linked into place).

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sample/facade.h"

namespace velta::sample {

namespace {

namespace fs = std::filesystem;

bool writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// Moves `from` to `to` unless `to` already exists (then `from` is simply removed). A hard link
// fails when the target exists, so a file that appeared meanwhile is never replaced; on a file
// system without hard links a plain rename follows a fresh check.
bool placeWithoutReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (::link(from.c_str(), to.c_str()) == 0 || errno == EEXIST) {
        fs::remove(from, ec);
        return true;
    }
    if (fs::exists(to, ec)) {
        fs::remove(from, ec);
        return true;
    }
    fs::rename(from, to, ec);
    if (ec) {
        fs::remove(from, ec);
        return false;
    }
    return true;
}

}  // namespace

const char* sampleFileName() { return "facciata.bmp"; }

bool ensureSampleFacade(const std::string& dir, std::string& error) {
    return ensureSampleFile(dir, sampleFileName(), [](const std::string& path) { return writeAll(path, facadeBitmap()); },
                            error);
}

bool ensureSampleFile(const std::string& dir, const std::string& name, const SampleWriter& write, std::string& error) {
    error.clear();
    if (dir.empty()) {
        error = "Cartella dei dati non indicata: impossibile scrivere l'immagine di esempio.";
        return false;
    }
    const fs::path folder(dir);
    const fs::path target = folder / name;
    std::error_code ec;
    if (fs::exists(target, ec)) return true;

    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        error = "Impossibile creare la cartella " + folder.string() + " per l'immagine di esempio.";
        return false;
    }

    // A name of its own per process, so two programs starting together do not share one file.
    const fs::path temp = folder / ("." + name + "." + std::to_string(::getpid()) + ".tmp");
    if (!write(temp.string())) {
        fs::remove(temp, ec);
        error = "Impossibile scrivere l'immagine di esempio " + target.string() + ".";
        return false;
    }
    if (!placeWithoutReplacing(temp, target)) {
        error = "Impossibile salvare l'immagine di esempio " + target.string() + ".";
        return false;
    }
    return true;
}

}  // namespace velta::sample

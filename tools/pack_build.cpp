// The pack compiler.
//
//   quarvel-pack-build SOURCE_DIR OUTPUT_FILE
//     Packs every file under SOURCE_DIR into the zip OUTPUT_FILE, each entry
//     named by its path relative to the folder. Entries are sorted and carry a
//     fixed time, so the same files give the same bytes.
//   quarvel-pack-build --embed PACK_FILE CPP_FILE
//     Writes a C++ source that holds the pack's bytes and registers them as the
//     program's own module at static initialisation.
//
// Exit code 2, with one line on standard error, on bad usage, a bad entry name
// or an I/O error.
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/internal/resources_internal.h"

namespace fs = std::filesystem;

namespace {

constexpr int FAILURE = 2;
constexpr std::time_t FIXED_TIME = 946684800;  // 2000-01-01 00:00:00 UTC
constexpr zip_uint32_t FILE_MODE = 0100644;    // regular file, rw-r--r--

int Fail(const std::string& message) {
    std::fprintf(stderr, "quarvel-pack-build: %s\n", message.c_str());
    return FAILURE;
}

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad()) return std::nullopt;
    return bytes;
}

struct SourceFile {
    std::string entryName;
    fs::path path;
    std::string bytes;
};

// The files under `folder`, sorted by entry name, checked against the naming
// rule and the size limits. Returns an error message, empty on success.
std::string CollectFiles(const fs::path& folder, std::vector<SourceFile>& files) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return folder.string() + ": not a folder";
    fs::recursive_directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        if (it->is_directory(error)) continue;
        const fs::path relative = it->path().lexically_relative(folder);
        if (!it->is_regular_file(error)) return it->path().string() + ": not a regular file";
        files.push_back({relative.generic_string(), it->path(), {}});
    }
    if (error) return folder.string() + ": " + error.message();
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.entryName < b.entryName; });

    std::map<std::string, std::string> seen;  // lookup key -> entry name
    std::size_t total = 0;
    for (SourceFile& file : files) {
        EntryName parsed;
        std::string why;
        if (!ParseEntryName(file.entryName, parsed, &why)) {
            return file.path.string() + ": bad entry name \"" + file.entryName + "\": " + why;
        }
        const auto [previous, fresh] = seen.emplace(parsed.key, file.entryName);
        if (!fresh) {
            return file.path.string() + ": \"" + file.entryName + "\" is the same resource as \"" +
                   previous->second + "\"";
        }
        std::optional<std::string> bytes = ReadFile(file.path);
        if (!bytes) return file.path.string() + ": cannot read";
        if (bytes->size() > MAX_ENTRY_BYTES) return file.path.string() + ": larger than 16 MiB";
        total += bytes->size();
        file.bytes = std::move(*bytes);
    }
    if (total > MAX_MODULE_BYTES) return folder.string() + ": more than 256 MiB in all";
    return {};
}

// An archive with no entries: only the end-of-central-directory record (libzip
// removes the file instead of writing an empty archive).
bool WriteEmptyArchive(const fs::path& output) {
    static const char RECORD[22] = {'P', 'K', 5, 6};
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(RECORD, sizeof RECORD);
    return static_cast<bool>(out);
}

std::string ZipError(zip_t* archive) {
    return zip_strerror(archive);
}

std::string WriteArchive(const fs::path& output, const std::vector<SourceFile>& files) {
    int code = 0;
    zip_t* archive = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        std::string message = output.string() + ": " + zip_error_strerror(&error);
        zip_error_fini(&error);
        return message;
    }
    for (const SourceFile& file : files) {
        zip_source_t* source = zip_source_buffer(archive, file.bytes.data(), file.bytes.size(), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, file.entryName.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            const std::string message = output.string() + ": " + ZipError(archive);
            zip_discard(archive);
            return message;
        }
        const auto entry = static_cast<zip_uint64_t>(index);
        if (zip_file_set_mtime(archive, entry, FIXED_TIME, 0) != 0 ||
            zip_set_file_compression(archive, entry, ZIP_CM_DEFLATE, 9) != 0 ||
            zip_file_set_external_attributes(archive, entry, 0, ZIP_OPSYS_UNIX, FILE_MODE << 16) !=
                0) {
            const std::string message = output.string() + ": " + ZipError(archive);
            zip_discard(archive);
            return message;
        }
    }
    if (zip_close(archive) != 0) {
        const std::string message = output.string() + ": " + ZipError(archive);
        zip_discard(archive);
        return message;
    }
    return {};
}

int BuildPack(const fs::path& folder, const fs::path& output) {
    // The archive stores local times; a fixed zone keeps the bytes the same
    // wherever the pack is built.
    setenv("TZ", "UTC", 1);
    tzset();
    std::vector<SourceFile> files;
    if (std::string error = CollectFiles(folder, files); !error.empty()) return Fail(error);
    std::error_code error;
    if (output.has_parent_path()) fs::create_directories(output.parent_path(), error);
    if (error) return Fail(output.parent_path().string() + ": " + error.message());
    if (files.empty()) {
        if (!WriteEmptyArchive(output)) return Fail(output.string() + ": cannot write");
        return 0;
    }
    if (std::string message = WriteArchive(output, files); !message.empty()) return Fail(message);
    if (fs::file_size(output, error) > MAX_PACK_BYTES || error) {
        fs::remove(output, error);
        return Fail(output.string() + ": archive larger than 64 MiB");
    }
    return 0;
}

int Embed(const fs::path& pack, const fs::path& output) {
    const std::optional<std::string> bytes = ReadFile(pack);
    if (!bytes || bytes->empty()) return Fail(pack.string() + ": cannot read");
    std::string text = "// Generated by quarvel-pack-build from " + pack.filename().string() +
                       "; do not edit.\n"
                       "#include \"platform/internal/resources_internal.h\"\n\n"
                       "namespace {\n\n"
                       "const unsigned char PROGRAM_MODULE[] = {";
    static const char HEX[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        const auto byte = static_cast<unsigned char>((*bytes)[i]);
        text += i % 16 == 0 ? "\n    " : " ";
        text += "0x";
        text += HEX[byte >> 4];
        text += HEX[byte & 15];
        text += ',';
    }
    text +=
        "\n};\n\n"
        "struct ProgramModuleRegistration {\n"
        "    ProgramModuleRegistration() {\n"
        "        RegisterProgramModule(PROGRAM_MODULE, sizeof PROGRAM_MODULE);\n"
        "    }\n"
        "} registration;\n\n"
        "}  // namespace\n";
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return Fail(output.string() + ": cannot write");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--embed") return Embed(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]).rfind("--", 0) != 0) return BuildPack(argv[1], argv[2]);
    return Fail(
        "usage: quarvel-pack-build SOURCE_DIR OUTPUT_FILE | quarvel-pack-build --embed PACK_FILE "
        "CPP_FILE");
}

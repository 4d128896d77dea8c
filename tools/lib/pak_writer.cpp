// Writer of data archives; see pak_writer.h.
#include "tools/lib/pak_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>

#include "saver/archive/archive_format.h"
#include "tools/lib/byte_writer.h"

PakWriter::PakWriter(std::string targetPath) : target_(std::move(targetPath)) {
    std::string pattern = target_ + ".partXXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) {
        fail("cannot create a file beside " + target_);
        return;
    }
    tempPath_ = buffer.data();
    fchmod(fd, 0644);  // mkstemp makes it private; an archive is read by every user
    file_ = fdopen(fd, "wb");
    if (!file_) {
        close(fd);
        std::remove(tempPath_.c_str());
        fail("cannot open " + tempPath_);
        return;
    }
    // The header stays zero until the directory is written: an interrupted file reads as empty.
    const uint8_t zeros[8] = {};
    if (std::fwrite(zeros, 1, sizeof zeros, file_) != sizeof zeros) fail("cannot write " + tempPath_);
}

PakWriter::~PakWriter() {
    if (file_) std::fclose(file_);
    if (!tempPath_.empty()) std::remove(tempPath_.c_str());
}

bool PakWriter::fail(const std::string& why) {
    failed_ = true;
    if (error_.empty()) error_ = why;
    return false;
}

std::string PakWriter::checkName(const std::string& name) {
    if (name.empty()) return "empty entry name";
    if (name.size() > archive_format::kMaxNameChars)
        return "entry name longer than " + std::to_string(archive_format::kMaxNameChars) + " characters: " + name;
    for (char c : name)
        if (c == '\0' || c == '/' || c == '\\') return "entry name must be a plain file name: " + name;
    return "";
}

bool PakWriter::reserve(size_t size) {
    if (dataEnd_ + size > std::numeric_limits<uint32_t>::max()) return fail("archive would exceed 4 GiB");
    return true;
}

bool PakWriter::addBytes(const std::string& name, const void* data, size_t size) {
    if (!file_ || failed_) return false;
    const std::string problem = checkName(name);
    if (!problem.empty()) {
        error_ = problem;  // the writer stays usable: nothing was written
        return false;
    }
    if (!reserve(size)) return false;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) return fail("cannot write " + tempPath_);
    entries_.push_back({name, static_cast<uint32_t>(dataEnd_), static_cast<uint32_t>(size)});
    dataEnd_ += size;
    return true;
}

bool PakWriter::addFile(const std::string& name, const std::string& sourcePath) {
    FILE* in = std::fopen(sourcePath.c_str(), "rb");
    if (!in) {
        error_ = "cannot read " + sourcePath;
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    if (readFailed) {
        error_ = "cannot read " + sourcePath;
        return false;
    }
    return addBytes(name, bytes);
}

bool PakWriter::writeAt(long offset, const std::vector<uint8_t>& bytes) {
    return std::fseek(file_, offset, SEEK_SET) == 0 &&
           std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool PakWriter::finish() {
    if (!file_ || failed_) return false;
    std::vector<uint8_t> directory;
    ByteWriter dir(&directory);
    for (const Entry& e : entries_) {
        dir.u32(static_cast<uint32_t>(e.name.size() + 1));
        dir.bytes(e.name.data(), e.name.size());
        dir.u8(0);
        dir.u32(e.offset);
        dir.u32(e.size);
    }
    std::vector<uint8_t> header;
    ByteWriter head(&header);
    head.u32(static_cast<uint32_t>(entries_.size()));
    head.u32(static_cast<uint32_t>(dataEnd_ - archive_format::kHeaderSize));
    const bool written = writeAt(static_cast<long>(dataEnd_), directory) && writeAt(0, header) &&
                         std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) return fail("cannot write " + tempPath_);
    if (std::rename(tempPath_.c_str(), target_.c_str()) != 0) return fail("cannot rename onto " + target_);
    tempPath_.clear();
    return true;
}

bool writePak(const std::string& path, const std::vector<PakEntry>& entries, std::string* error) {
    PakWriter writer(path);
    bool ok = writer.ok();
    for (size_t i = 0; ok && i < entries.size(); ++i) ok = writer.addBytes(entries[i].name, entries[i].data);
    ok = ok && writer.finish();
    if (!ok && error) *error = writer.error();
    return ok;
}

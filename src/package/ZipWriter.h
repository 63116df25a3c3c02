#pragma once

#include <cstdint>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// A zip archive written front to back, entry by entry, into a hidden temporary beside its path;
// the archive takes the path's name only when commit() completes it. Until then an older file at
// the path stays as it is, and a writer destroyed uncommitted (a failure, a cancel) removes its
// temporary. Names are UTF-8 (general purpose bit 11); times are local DOS times; Zip64 records
// appear where a size, an offset or the number of entries needs them. Standard C++ and zlib, for
// both systems.
namespace package::zip {

class ZipWriter
{
public:
    enum class Method
    {
        Store,
        Deflate,
    };

    // Nothing is written before open().
    explicit ZipWriter(std::string path);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Creates the temporary, replacing one a killed writer left there.
    bool open(std::string *error);

    // The bytes of the file at path ahead of the archive, right after open(): a program that
    // carries the archive (a self-extracting setup). Offsets count from the start of the whole
    // file, as unpackers expect of such files. An error names that file when it cannot be read.
    bool copyPrefix(const std::string &path, std::string *error);

    // A folder entry; name ends with "/".
    bool addFolder(const std::string &name, std::time_t modified, std::string *error);

    // Starts a file entry of exactly size bytes, which write() then gives in any number of pieces
    // and endFile() completes. Knowing the size up front lets the local header carry the Zip64
    // field from the start, so that the header is patched in place, never moved.
    bool beginFile(const std::string &name, std::time_t modified, std::uint64_t size, Method method,
                   std::string *error);
    bool write(const char *data, std::size_t size, std::string *error);
    bool endFile(std::string *error);

    // The central directory and the end records, then the temporary takes the path's name.
    bool commit(std::string *error);

    // The path of the temporary the archive is written to, for tests and sweeps.
    static std::string temporaryPath(const std::string &path);

private:
    struct Entry
    {
        std::string name;
        std::uint16_t method = 0;
        std::uint16_t dosTime = 0;
        std::uint16_t dosDate = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t size = 0;
        std::uint64_t offset = 0;
        bool folder = false;
        bool zip64Local = false;
    };
    struct Deflater;

    bool startEntry(Entry entry, std::string *error);
    bool emit(const void *data, std::size_t size, std::string *error);
    bool deflateInto(const char *data, std::size_t size, bool finish, std::string *error);
    bool patchLocalHeader(const Entry &entry, std::string *error);
    bool patch(std::uint64_t offset, const std::string &bytes, std::string *error);
    bool flushPending(std::string *error);
    bool fail(std::string *error, const std::string &reason);
    void discard();

    std::string m_path;
    std::string m_temporary;
    std::ofstream m_out;
    std::uint64_t m_offset = 0; // bytes emitted so far: the next record's offset
    std::string m_pending;      // emitted bytes not yet given to m_out
    std::vector<Entry> m_entries;
    bool m_inFile = false;
    std::uint64_t m_given = 0; // bytes of the open entry given so far
    std::unique_ptr<Deflater> m_deflater;
    bool m_committed = false;
};

} // namespace package::zip

#include "ChmReaders.h"

#include "support/TempDir.h"

#include <array>
#include <chm_lib.h>
#include <cstdio>
#include <mspack.h>

namespace qm::test {
namespace {

struct EnumState {
    ChmContents* contents;
};

int collect(struct chmFile* h, struct chmUnitInfo* ui, void* context) {
    auto* state = static_cast<EnumState*>(context);
    std::string name = ui->path;
    if (!name.empty() && name.back() == '/')
        return CHM_ENUMERATOR_CONTINUE;
    std::string bytes(static_cast<std::size_t>(ui->length), '\0');
    if (ui->length > 0) {
        LONGINT64 got = chm_retrieve_object(h, ui, reinterpret_cast<unsigned char*>(bytes.data()),
                                            0, static_cast<LONGINT64>(ui->length));
        if (got != static_cast<LONGINT64>(ui->length))
            bytes = "<<chmlib could not read this object>>";
    }
    (*state->contents)[name] = std::move(bytes);
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

std::optional<ChmContents> readWithChmlib(const std::filesystem::path& chm) {
    struct chmFile* h = chm_open(chm.c_str());
    if (!h)
        return std::nullopt;
    ChmContents contents;
    EnumState state{&contents};
    chm_enumerate(h, CHM_ENUMERATE_ALL, collect, &state);
    chm_close(h);
    return contents;
}

std::optional<std::string> chmlibLookup(const std::filesystem::path& chm, const std::string& name) {
    struct chmFile* h = chm_open(chm.c_str());
    if (!h)
        return std::nullopt;
    struct chmUnitInfo ui;
    std::optional<std::string> result;
    if (chm_resolve_object(h, name.c_str(), &ui) == CHM_RESOLVE_SUCCESS) {
        std::string bytes(static_cast<std::size_t>(ui.length), '\0');
        LONGINT64 got =
            ui.length ? chm_retrieve_object(h, &ui, reinterpret_cast<unsigned char*>(bytes.data()),
                                            0, static_cast<LONGINT64>(ui.length))
                      : 0;
        if (got == static_cast<LONGINT64>(ui.length))
            result = std::move(bytes);
    }
    chm_close(h);
    return result;
}

std::optional<ChmContents> readWithMspack(const std::filesystem::path& chm, std::string* error) {
    mschm_decompressor* d = mspack_create_chm_decompressor(nullptr);
    if (!d)
        return std::nullopt;
    mschmd_header* h = d->open(d, chm.c_str());
    if (!h) {
        if (error)
            *error = "libmspack cannot open the file, error " + std::to_string(d->last_error(d));
        mspack_destroy_chm_decompressor(d);
        return std::nullopt;
    }
    TempDir scratch;
    ChmContents contents;
    bool ok = true;
    int n = 0;
    for (mschmd_file* list : {h->files, h->sysfiles})
        for (mschmd_file* f = list; f; f = f->next) {
            std::filesystem::path out = scratch / ("f" + std::to_string(n++));
            if (d->extract(d, f, out.c_str()) != MSPACK_ERR_OK) {
                if (error)
                    *error = std::string("libmspack cannot extract ") + f->filename + ", error " +
                             std::to_string(d->last_error(d));
                ok = false;
                continue;
            }
            contents[f->filename] = readFile(out);
        }
    d->close(d, h);
    mspack_destroy_chm_decompressor(d);
    if (!ok)
        return std::nullopt;
    return contents;
}

std::optional<std::string> mspackLookup(const std::filesystem::path& chm, const std::string& name) {
    mschm_decompressor* d = mspack_create_chm_decompressor(nullptr);
    mschmd_header* h = d ? d->fast_open(d, chm.c_str()) : nullptr;
    std::optional<std::string> result;
    if (h) {
        mschmd_file f{};
        if (d->fast_find(d, h, name.c_str(), &f, sizeof f) == MSPACK_ERR_OK && f.section) {
            TempDir scratch;
            std::filesystem::path out = scratch / "found";
            if (d->extract(d, &f, out.c_str()) == MSPACK_ERR_OK)
                result = readFile(out);
        }
        d->close(d, h);
    }
    if (d)
        mspack_destroy_chm_decompressor(d);
    return result;
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

int runCommand(const std::string& command, std::string* output) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    std::string text;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        text.append(buffer.data(), n);
    int status = pclose(pipe);
    if (output)
        *output = std::move(text);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<ChmContents> readWith7zip(const std::filesystem::path& chm,
                                        const std::filesystem::path& scratch) {
    std::filesystem::create_directories(scratch);
    std::string log;
    if (runCommand("7zz x -y -bd -o" + shellQuote(scratch.string()) + " " +
                       shellQuote(chm.string()),
                   &log) != 0)
        return std::nullopt;
    ChmContents contents;
    for (auto it = std::filesystem::recursive_directory_iterator(scratch);
         it != std::filesystem::recursive_directory_iterator(); ++it)
        if (it->is_regular_file())
            contents["/" + it->path().lexically_relative(scratch).generic_string()] =
                readFile(it->path());
    return contents;
}

} // namespace qm::test

// itss-read CHM FOLDER: reads a CHM as the Windows help viewer does, through the
// storage of itss.dll (COM, IITStorage), and writes every stream of its folders into
// FOLDER, the viewer's own "#"/"$" files and "::" sections left out. Prints a line per
// file and the count; exit 0 when the CHM opened and every stream read.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>

// itss.dll's interface, in its vtable order up to the one method called here. Outside
// the anonymous namespace: there the compiler could prove that nothing implements it.
struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD,
                                                                   IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD,
                                                     IStorage**) = 0;
};

namespace {

const CLSID kItStorageClass = {
    0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kItStorageInterface = {
    0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

int filesRead = 0;
int failures = 0;

std::wstring wide(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

bool copyStream(IStorage* storage, const std::wstring& name, const std::wstring& target) {
    IStream* stream = nullptr;
    if (FAILED(storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                   &stream)))
        return false;
    FILE* out = _wfopen(target.c_str(), L"wb");
    bool ok = out != nullptr;
    char buffer[65536];
    for (ULONG got = 0; ok;) {
        const HRESULT hr = stream->Read(buffer, sizeof buffer, &got);
        if (FAILED(hr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        ok = std::fwrite(buffer, 1, got, out) == got;
    }
    if (out)
        ok = std::fclose(out) == 0 && ok;
    stream->Release();
    return ok;
}

// Lists one folder of the CHM and reads what it holds. Names are taken from the
// listing and opened from the root, as the viewer opens pages by their path: Wine's
// storage lists a folder's entries by their path from the root, not by their name.
void readFolder(IStorage* root, IStorage* storage, const std::wstring& folder,
                const std::wstring& prefix) {
    IEnumSTATSTG* entries = nullptr;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &entries))) {
        std::printf("itss-read: cannot list /%s\n", utf8(prefix).c_str());
        ++failures;
        return;
    }
    STATSTG entry;
    ULONG fetched = 0; // Wine's itss writes the count even when asked not to
    while (entries->Next(1, &entry, &fetched) == S_OK && fetched == 1) {
        std::wstring name = entry.pwcsName;
        CoTaskMemFree(entry.pwcsName);
        if (name.find(L'/') == std::wstring::npos)
            name = prefix + name;
        const std::size_t leaf = name.rfind(L'/') + 1; // 0 when there is no '/'
        if (leaf == name.size() || name[leaf] == L'#' || name[leaf] == L'$' || name[leaf] == L':')
            continue;
        std::wstring target = folder + L"\\" + name;
        for (wchar_t& c : target)
            if (c == L'/')
                c = L'\\';
        if (entry.type == STGTY_STORAGE) {
            IStorage* child = nullptr;
            if (FAILED(root->OpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                         nullptr, 0, &child))) {
                std::printf("itss-read: cannot open /%s/\n", utf8(name).c_str());
                ++failures;
                continue;
            }
            CreateDirectoryW(target.c_str(), nullptr);
            readFolder(root, child, folder, name + L"/");
            child->Release();
        } else if (copyStream(root, name, target)) {
            std::printf("read /%s\n", utf8(name).c_str());
            ++filesRead;
        } else {
            std::printf("itss-read: cannot read /%s\n", utf8(name).c_str());
            ++failures;
        }
    }
    entries->Release();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: itss-read CHM FOLDER\n", stderr);
        return 2;
    }
    if (FAILED(CoInitialize(nullptr)))
        return 3;
    IITStorage* its = nullptr;
    HRESULT hr = CoCreateInstance(kItStorageClass, nullptr, CLSCTX_INPROC_SERVER,
                                  kItStorageInterface, reinterpret_cast<void**>(&its));
    if (FAILED(hr)) {
        std::printf("itss-read: itss.dll's ITStorage is not available (0x%08lx)\n",
                    static_cast<unsigned long>(hr));
        CoUninitialize();
        return 3;
    }
    IStorage* chm = nullptr;
    hr = its->StgOpenStorage(wide(argv[1]).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                             nullptr, 0, &chm);
    if (FAILED(hr)) {
        std::printf("itss-read: itss.dll cannot open %s (0x%08lx)\n", argv[1],
                    static_cast<unsigned long>(hr));
        its->Release();
        CoUninitialize();
        return 1;
    }
    const std::wstring folder = wide(argv[2]);
    CreateDirectoryW(folder.c_str(), nullptr);
    readFolder(chm, chm, folder, L"");
    chm->Release();
    its->Release();
    CoUninitialize();
    std::printf("itss-read: %d files read, %d failures\n", filesRead, failures);
    return failures == 0 && filesRead > 0 ? 0 : 1;
}

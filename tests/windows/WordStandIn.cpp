// A stand-in for Word's automation server, for the tests of the Word converter under
// Wine, where Word itself cannot be had. Registered as Word.Application in the tests'
// prefix, it serves Application, Documents, Document and WebOptions by name through
// IDispatch, as Word does, and appends every call with its arguments to the file named by
// STANDIN_LOG. For each document it saves it writes a prepared Word page and a picture in
// "<page>_files" (the folder name English Word uses). Markers in a document's bytes make
// it act out a fault: QM-STANDIN-NO-FILTERED (filtered HTML refused), QM-STANDIN-HANG
// (SaveAs never returns), QM-STANDIN-CRASH (the process dies in SaveAs) and
// QM-STANDIN-AUTOMACRO (an auto macro, run at Open unless macros were force-disabled).
// STANDIN_START_SECONDS makes the server take that long to start.
//
//   WordStandIn.exe /Automation -Embedding   the server, as COM or the client starts it
//   WordStandIn.exe --user NAME             the user's own Word with NAME open: registered
//                                           as the running Word; any call to it is logged
//   WordStandIn.exe --exit-at-once ...      a Word that is installed but ends as it starts
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// {6E1C2A7B-3D4F-4B8A-9C21-5F0E8D7A4B11}: the tests register it for Word.Application.
const CLSID kClsid = {0x6e1c2a7b, 0x3d4f, 0x4b8a, {0x9c, 0x21, 0x5f, 0x0e, 0x8d, 0x7a, 0x4b, 0x11}};

std::wstring role = L"word";
HWND mainWindow = nullptr;
long automationSecurity = 1; // msoAutomationSecurityLow, Word's default

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

// One line per call; the processes share the log.
void log(const std::wstring& line) {
    wchar_t path[MAX_PATH];
    if (GetEnvironmentVariableW(L"STANDIN_LOG", path, MAX_PATH) == 0)
        return;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text =
        utf8(role + L"[" + std::to_wstring(GetCurrentProcessId()) + L"] " + line + L"\n");
    // One writer at a time, each at the end.
    OVERLAPPED whole{};
    LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
}

std::wstring argText(const VARIANT& v) {
    switch (v.vt) {
    case VT_BSTR:
        return v.bstrVal != nullptr ? v.bstrVal : L"";
    case VT_BOOL:
        return v.boolVal ? L"true" : L"false";
    case VT_I4:
        return std::to_wstring(v.lVal);
    case VT_I2:
        return std::to_wstring(v.iVal);
    case VT_ERROR:
        return v.scode == DISP_E_PARAMNOTFOUND ? L"missing" : L"error";
    default:
        return L"vt" + std::to_wstring(v.vt);
    }
}

// The arguments in written order (IDispatch passes them last first).
std::vector<std::wstring> argsOf(const DISPPARAMS* params) {
    std::vector<std::wstring> args;
    for (UINT i = params->cArgs; i > 0; --i)
        args.push_back(argText(params->rgvarg[i - 1]));
    return args;
}

std::wstring joined(const std::vector<std::wstring>& args) {
    std::wstring out;
    for (const std::wstring& a : args)
        out += (out.empty() ? L"" : L", ") + a;
    return out;
}

std::string gbk(const std::wstring& text) {
    const int n = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out << bytes;
}

// A 1x1 PNG.
const unsigned char kPicture[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0x1f, 0x00, 0x05, 0x00, 0x01, 0xff, 0x89, 0x99,
    0x3d, 0x1d, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// The page Word would write for the prepared document, in the encoding set (936), with
// its picture in <stem>_files; a Web page also lists its files and carries VML.
void writePage(const std::wstring& page, bool webPage) {
    const std::size_t dot = page.rfind(L'.');
    const std::size_t slash = page.find_last_of(L"\\/");
    const std::wstring stem = page.substr(slash + 1, dot - slash - 1);
    const std::wstring folder = stem + L"_files";
    CreateDirectoryW((page.substr(0, slash + 1) + folder).c_str(), nullptr);
    writeFile(page.substr(0, slash + 1) + folder + L"\\image001.png",
              std::string(std::begin(kPicture), std::end(kPicture)));
    std::wstring html = L"<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
                        L"charset=gb2312\">\r\n";
    if (webPage) {
        html += L"<link rel=File-List href=\"" + folder + L"/filelist.xml\">\r\n";
        writeFile(page.substr(0, slash + 1) + folder + L"\\filelist.xml",
                  "<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">\r\n"
                  " <o:File HRef=\"image001.png\"/>\r\n</xml>\r\n");
    }
    html += L"<title>用户手册</title>\r\n</head>\r\n<body lang=ZH-CN>\r\n"
            L"<div class=Section1 style='layout-grid:15.6pt'>\r\n"
            L"<h1>第一章 概述</h1>\r\n<p class=MsoNormal>替身写的页面。</p>\r\n<p class=MsoNormal>";
    if (webPage)
        html += L"<!--[if gte vml 1]><v:shape style='width:1pt;height:1pt'><v:imagedata src=\"" +
                folder + L"/image001.png\"/></v:shape><![endif]--><![if !vml]>";
    html += L"<img width=1 height=1 src=\"" + folder + L"/image001.png\">";
    if (webPage)
        html += L"<![endif]>";
    html += L"</p>\r\n<h1>第二章 使用</h1>\r\n<p class=MsoNormal>第二章的内容。</p>\r\n</div>\r\n"
            L"</body>\r\n</html>\r\n";
    writeFile(page, gbk(html));
}

HRESULT refuse(EXCEPINFO* exception, const wchar_t* what) {
    if (exception != nullptr) {
        std::memset(exception, 0, sizeof *exception);
        exception->scode = E_FAIL;
        exception->bstrDescription = SysAllocString(what);
    }
    return DISP_E_EXCEPTION;
}

// An object that answers IDispatch by member name.
class Automation : public IDispatch {
public:
    explicit Automation(std::vector<std::wstring> members) : members_(std::move(members)) {}
    virtual ~Automation() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            released();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (std::size_t m = 0; m < members_.size(); ++m)
                if (_wcsicmp(members_[m].c_str(), names[i]) == 0)
                    ids[i] = static_cast<DISPID>(m + 1);
        }
        if (role == L"user")
            log(L"CALLED " + std::wstring(names[0]));
        return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (id < 1 || static_cast<std::size_t>(id) > members_.size())
            return DISP_E_MEMBERNOTFOUND;
        return member(members_[static_cast<std::size_t>(id) - 1], flags, argsOf(params), result,
                      exception);
    }

protected:
    virtual HRESULT member(const std::wstring& name, WORD flags,
                           const std::vector<std::wstring>& args, VARIANT* result,
                           EXCEPINFO* exception) = 0;
    virtual void released() {}

    static HRESULT give(VARIANT* result, IDispatch* object) {
        if (result == nullptr) {
            object->Release();
            return S_OK;
        }
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        return S_OK;
    }

private:
    std::vector<std::wstring> members_;
    ULONG references_ = 1;
};

class WebOptions : public Automation {
public:
    WebOptions() : Automation({L"Encoding"}) {}

protected:
    HRESULT member(const std::wstring& name, WORD, const std::vector<std::wstring>& args, VARIANT*,
                   EXCEPINFO*) override {
        log(L"WebOptions." + name + L"=" + joined(args));
        return S_OK;
    }
};

class Document : public Automation {
public:
    explicit Document(std::string content)
        : Automation({L"WebOptions", L"SaveAs2", L"SaveAs", L"Close"}),
          content_(std::move(content)) {}

protected:
    bool marked(const char* marker) const { return content_.find(marker) != std::string::npos; }

    HRESULT member(const std::wstring& name, WORD, const std::vector<std::wstring>& args,
                   VARIANT* result, EXCEPINFO* exception) override {
        if (name == L"WebOptions")
            return give(result, new WebOptions);
        log(L"Document." + name + L"(" + joined(args) + L")");
        if (name == L"Close")
            return S_OK;
        const bool webPage = args.size() > 1 && args[1] == L"8";
        if (marked("QM-STANDIN-HANG"))
            Sleep(INFINITE);
        if (marked("QM-STANDIN-CRASH"))
            TerminateProcess(GetCurrentProcess(), 0xC0000005);
        if (!webPage && marked("QM-STANDIN-NO-FILTERED"))
            return refuse(exception, L"This file format is not available.");
        if (args.empty())
            return DISP_E_BADPARAMCOUNT;
        writePage(args[0], webPage);
        return S_OK;
    }

private:
    std::string content_;
};

class Documents : public Automation {
public:
    Documents() : Automation({L"Open"}) {}

protected:
    HRESULT member(const std::wstring& name, WORD, const std::vector<std::wstring>& args,
                   VARIANT* result, EXCEPINFO* exception) override {
        log(L"Documents." + name + L"(" + joined(args) + L")");
        if (args.empty())
            return DISP_E_BADPARAMCOUNT;
        std::ifstream in(args[0].c_str(), std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && content.empty())
            return refuse(exception, L"Word could not open the document.");
        if (content.find("QM-STANDIN-AUTOMACRO") != std::string::npos && automationSecurity != 3)
            log(L"MACRO RAN");
        return give(result, new Document(std::move(content)));
    }
};

class Application : public Automation {
public:
    Application()
        : Automation({L"AutomationSecurity", L"Visible", L"DisplayAlerts", L"Caption", L"Documents",
                      L"Quit"}) {}

protected:
    HRESULT member(const std::wstring& name, WORD flags, const std::vector<std::wstring>& args,
                   VARIANT* result, EXCEPINFO*) override {
        if (name == L"Documents")
            return give(result, new Documents);
        if (flags & DISPATCH_PROPERTYPUT) {
            log(L"Application." + name + L"=" + joined(args));
            if (name == L"AutomationSecurity" && !args.empty())
                automationSecurity = std::stol(args[0]);
            if (name == L"Caption" && !args.empty())
                SetWindowTextW(mainWindow, args[0].c_str());
            return S_OK;
        }
        log(L"Application." + name + L"(" + joined(args) + L")");
        if (name == L"Quit")
            PostQuitMessage(0);
        return S_OK;
    }
    // Like Word started for automation: gone when its client lets it go.
    void released() override { PostQuitMessage(0); }
};

// Word serves one client per start: the class object leaves public view once used.
class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        if (used_)
            return CO_E_SERVER_STOPPING;
        used_ = true;
        CoRevokeClassObject(cookie);
        log(L"connected");
        Application* app = new Application;
        HRESULT hr = app->QueryInterface(iid, object);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    DWORD cookie = 0;

private:
    bool used_ = false;
};

int serve() {
    // A Word that takes a while to start, as on a first start or a busy machine.
    wchar_t seconds[16];
    if (GetEnvironmentVariableW(L"STANDIN_START_SECONDS", seconds, 16) > 0)
        Sleep(static_cast<DWORD>(_wtoi(seconds)) * 1000);
    static Factory factory;
    if (FAILED(CoRegisterClassObject(kClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                     &factory.cookie)))
        return 1;
    log(L"started " + std::wstring(GetCommandLineW()));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    log(L"ended");
    return 0;
}

// The user's Word: running, with a document open, known to the running-object table as
// Word is; nothing of ours may call it.
int serveUser(const std::wstring& name) {
    role = L"user";
    SetWindowTextW(mainWindow, (name + L" - Word").c_str());
    Application* app = new Application;
    DWORD cookie = 0;
    if (FAILED(RegisterActiveObject(app, kClsid, ACTIVEOBJECT_STRONG, &cookie)))
        return 1;
    log(L"running with " + name + L" open");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    // Word's main window, hidden, captioned as the Application's Caption says.
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"OpusApp";
    RegisterClassW(&windowClass);
    mainWindow = CreateWindowW(L"OpusApp", L"Word", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, instance, nullptr);
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring mode = count >= 2 ? args[1] : L"";
    int status = 1;
    if (mode == L"--exit-at-once")
        log(L"exited at once");
    else
        status = count >= 3 && mode == L"--user" ? serveUser(args[2]) : serve();
    LocalFree(args);
    CoUninitialize();
    return status;
}

#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <vector>

// Late-bound calls into an automation server by member name (IDispatch), with no type
// library or generated headers: what a script's CreateObject does.
namespace qm::automation {

// Arguments of a call in their written order; owns what it holds (BSTRs).
class Args {
public:
    Args() = default;
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;
    ~Args();

    Args& integer(long value);
    Args& boolean(bool value);
    Args& text(const std::wstring& value);
    Args& missing(); // an optional argument left out

    std::vector<VARIANT>& values() { return values_; }

private:
    VARIANT& add(VARTYPE type); // a new value of that type, last
    std::vector<VARIANT> values_;
};

// One object of the server; owns its reference. Every call returns the server's HRESULT
// (DISP_E_UNKNOWNNAME: no member of that name; an RPC error: the server is gone).
class Object {
public:
    Object() = default;
    explicit Object(IDispatch* dispatch) : dispatch_(dispatch) {} // takes the reference
    Object(Object&& other) noexcept : dispatch_(other.dispatch_) { other.dispatch_ = nullptr; }
    Object& operator=(Object&& other) noexcept;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    ~Object() { reset(); }

    explicit operator bool() const { return dispatch_ != nullptr; }
    void reset();

    HRESULT get(const wchar_t* name, Object& out);
    HRESULT put(const wchar_t* name, Args& value);
    HRESULT call(const wchar_t* name, Args& args, Object* result = nullptr);

private:
    HRESULT invoke(const wchar_t* name, WORD flags, Args& args, VARIANT* result);
    IDispatch* dispatch_ = nullptr;
};

} // namespace qm::automation

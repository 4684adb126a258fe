#include "Automation.h"

#include <oleauto.h>

#include <algorithm>

namespace qm::automation {

Args::~Args() {
    for (VARIANT& v : values_)
        VariantClear(&v);
}

VARIANT& Args::add(VARTYPE type) {
    VARIANT& v = values_.emplace_back();
    VariantInit(&v);
    v.vt = type;
    return v;
}

Args& Args::integer(long value) {
    add(VT_I4).lVal = value;
    return *this;
}

Args& Args::boolean(bool value) {
    add(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
}

Args& Args::text(const std::wstring& value) {
    add(VT_BSTR).bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return *this;
}

Args& Args::missing() {
    add(VT_ERROR).scode = DISP_E_PARAMNOTFOUND;
    return *this;
}

Object& Object::operator=(Object&& other) noexcept {
    if (this != &other) {
        reset();
        dispatch_ = other.dispatch_;
        other.dispatch_ = nullptr;
    }
    return *this;
}

void Object::reset() {
    if (dispatch_ != nullptr)
        dispatch_->Release();
    dispatch_ = nullptr;
}

HRESULT Object::invoke(const wchar_t* name, WORD flags, Args& args, VARIANT* result) {
    if (dispatch_ == nullptr)
        return E_POINTER;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    // IDispatch takes the arguments last first.
    std::vector<VARIANT> reversed(args.values().rbegin(), args.values().rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT badArgument = 0;
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                           &badArgument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT Object::get(const wchar_t* name, Object& out) {
    Args none;
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = invoke(name, DISPATCH_PROPERTYGET, none, &result);
    if (SUCCEEDED(hr)) {
        if (result.vt == VT_DISPATCH && result.pdispVal != nullptr) {
            out = Object(result.pdispVal);
            result.vt = VT_EMPTY; // the reference went to out
        } else {
            hr = DISP_E_TYPEMISMATCH;
        }
    }
    VariantClear(&result);
    return hr;
}

HRESULT Object::put(const wchar_t* name, Args& value) {
    return invoke(name, DISPATCH_PROPERTYPUT, value, nullptr);
}

HRESULT Object::call(const wchar_t* name, Args& args, Object* result) {
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = invoke(name, DISPATCH_METHOD, args, &value);
    if (SUCCEEDED(hr) && result != nullptr) {
        if (value.vt == VT_DISPATCH && value.pdispVal != nullptr) {
            *result = Object(value.pdispVal);
            value.vt = VT_EMPTY;
        } else {
            hr = DISP_E_TYPEMISMATCH;
        }
    }
    VariantClear(&value);
    return hr;
}

} // namespace qm::automation

// Owners of COM references, BSTRs, VARIANTs and SAFEARRAY data access: each
// releases what it holds on every path out, errors included. VARIANTs and
// array locks are values with a clean-up, not handles, so they keep classes.
#pragma once

#include <oaidl.h>
#include <oleauto.h>
#include <unknwn.h>
#include <windows.h>

#include <string>

#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {

// A COM reference: released once, when its owner goes.
template <typename T>
struct ComTraits {
  using Handle = T*;
  static constexpr Handle Empty() { return nullptr; }
  static bool IsEmpty(Handle p) { return p == nullptr; }
  static void Close(Handle p) { p->Release(); }
};
template <typename T>
using ComPtr = ScopedHandle<ComTraits<T>>;

inline void FreeBstr(BSTR text) { SysFreeString(text); }
using Bstr = ScopedHandle<NullIsEmpty<BSTR, FreeBstr>>;
inline Bstr MakeBstr(const std::wstring& text) {
  return Bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }
  const VARIANT& get() const { return v_; }

 private:
  VARIANT v_;
};

// Locks a SAFEARRAY's data for reading while it lives.
class SafeArrayData {
 public:
  explicit SafeArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &data_))) {
      array_ = nullptr;
      data_ = nullptr;
    }
  }
  ~SafeArrayData() {
    if (array_ != nullptr) SafeArrayUnaccessData(array_);
  }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;
  void* get() const { return data_; }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

}  // namespace norvale::win32

#include "platform/win32/wmi.h"

#include <objbase.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/win32/com_ptr.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

using platform::WmiValue;

std::string BstrText(BSTR text) {
  return text == nullptr ? std::string() : Utf8(std::wstring_view(text, SysStringLen(text)));
}

// The texts the scripting library shows for the WMI errors a query meets.
struct WbemText {
  HRESULT hr;
  const char* text;
};
constexpr WbemText kWbemTexts[] = {
    {static_cast<HRESULT>(WBEM_E_FAILED), "Generic failure"},
    {static_cast<HRESULT>(WBEM_E_NOT_FOUND), "Not found"},
    {static_cast<HRESULT>(WBEM_E_ACCESS_DENIED), "Access denied"},
    {static_cast<HRESULT>(WBEM_E_PROVIDER_FAILURE), "Provider failure"},
    {static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH), "Type mismatch"},
    {static_cast<HRESULT>(WBEM_E_OUT_OF_MEMORY), "Out of memory"},
    {static_cast<HRESULT>(WBEM_E_INVALID_PARAMETER), "Invalid parameter"},
    {static_cast<HRESULT>(WBEM_E_NOT_SUPPORTED), "Not supported"},
    {static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE), "Invalid namespace"},
    {static_cast<HRESULT>(WBEM_E_INVALID_CLASS), "Invalid class"},
    {static_cast<HRESULT>(WBEM_E_PROVIDER_NOT_FOUND), "Provider not found"},
    {static_cast<HRESULT>(WBEM_E_INVALID_QUERY), "Invalid query"},
    {static_cast<HRESULT>(WBEM_E_INVALID_QUERY_TYPE), "Invalid query type"},
    {static_cast<HRESULT>(WBEM_E_SHUTTING_DOWN), "Shutting down"},
};

void Check(HRESULT hr) {
  if (FAILED(hr)) throw WmiFailure(hr);
}

// Local calls still need the caller's identity for most providers.
void AllowImpersonation(IUnknown* proxy) {
  CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

// A whole number read back at the width of its CIM type.
std::int64_t AtCimWidth(std::int64_t raw, CIMTYPE base) {
  switch (base) {
    case CIM_UINT8:
      return static_cast<std::uint8_t>(raw);
    case CIM_SINT8:
      return static_cast<std::int8_t>(raw);
    case CIM_UINT16:
      return static_cast<std::uint16_t>(raw);
    case CIM_SINT16:
      return static_cast<std::int16_t>(raw);
    case CIM_UINT32:
      return static_cast<std::uint32_t>(raw);
    case CIM_SINT32:
      return static_cast<std::int32_t>(raw);
    default:
      return raw;
  }
}

// Reads one element of type `vt` at `p`; false when the type is no number.
bool WholeAt(VARTYPE vt, const void* p, std::int64_t& out) {
  switch (vt) {
    case VT_I1:
      out = *static_cast<const signed char*>(p);
      return true;
    case VT_UI1:
      out = *static_cast<const unsigned char*>(p);
      return true;
    case VT_I2:
      out = *static_cast<const SHORT*>(p);
      return true;
    case VT_UI2:
      out = *static_cast<const USHORT*>(p);
      return true;
    case VT_I4:
      out = *static_cast<const LONG*>(p);
      return true;
    case VT_UI4:
      out = *static_cast<const ULONG*>(p);
      return true;
    case VT_INT:
      out = *static_cast<const INT*>(p);
      return true;
    case VT_UINT:
      out = *static_cast<const UINT*>(p);
      return true;
    case VT_I8:
      out = *static_cast<const LONGLONG*>(p);
      return true;
    case VT_UI8: {
      const ULONGLONG u = *static_cast<const ULONGLONG*>(p);
      if (u > static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max())) {
        throw Failure::Overflow();
      }
      out = static_cast<std::int64_t>(u);
      return true;
    }
    default:
      return false;
  }
}

size_t ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    default:
      return 0;
  }
}

WmiValue ArrayValue(const VARIANT& value, CIMTYPE base) {
  const VARTYPE vt = V_VT(&value) & VT_TYPEMASK;
  SAFEARRAY* array = V_ARRAY(&value);
  if (array == nullptr) return std::monostate{};
  if (SafeArrayGetDim(array) != 1 || ElementSize(vt) == 0 || vt == VT_BOOL) {
    throw Failure::TypeMismatch();
  }
  LONG lower = 0;
  LONG upper = -1;
  Check(SafeArrayGetLBound(array, 1, &lower));
  Check(SafeArrayGetUBound(array, 1, &upper));
  const size_t count = upper >= lower ? static_cast<size_t>(upper - lower) + 1 : 0;
  if (count > 0 && SafeArrayGetElemsize(array) != ElementSize(vt)) throw Failure::TypeMismatch();

  SafeArrayData data(array);
  if (count > 0 && data.get() == nullptr) throw Failure::TypeMismatch();
  const auto* bytes = static_cast<const unsigned char*>(data.get());
  const size_t size = ElementSize(vt);

  if (vt == VT_BSTR) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < count; ++i) {
      texts.push_back(BstrText(*reinterpret_cast<const BSTR*>(bytes + i * size)));
    }
    return texts;
  }
  if (vt == VT_R4 || vt == VT_R8) {
    std::vector<double> numbers;
    for (size_t i = 0; i < count; ++i) {
      numbers.push_back(vt == VT_R4 ? *reinterpret_cast<const float*>(bytes + i * size)
                                    : *reinterpret_cast<const double*>(bytes + i * size));
    }
    return numbers;
  }
  std::vector<std::int64_t> wholes;
  for (size_t i = 0; i < count; ++i) {
    std::int64_t n = 0;
    WholeAt(vt, bytes + i * size, n);
    wholes.push_back(AtCimWidth(n, base));
  }
  return wholes;
}

class Win32Object : public platform::WmiObject {
 public:
  explicit Win32Object(ComPtr<IWbemClassObject> object) : object_(std::move(object)) {}

  WmiValue Get(std::string_view property) override {
    const std::wstring name = Wide(property);
    Variant value;
    CIMTYPE type = CIM_EMPTY;
    Check(object_->Get(name.c_str(), 0, value.put(), &type, nullptr));
    return WmiValueFromVariant(value.get(), type);
  }

 private:
  ComPtr<IWbemClassObject> object_;
};

class Win32Objects : public platform::WmiObjects {
 public:
  explicit Win32Objects(ComPtr<IEnumWbemClassObject> objects) : objects_(std::move(objects)) {}

  std::unique_ptr<platform::WmiObject> Next() override {
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    Check(objects_->Next(WBEM_INFINITE, 1, object.put(), &returned));
    if (returned == 0 || !object) return nullptr;
    return std::make_unique<Win32Object>(std::move(object));
  }

 private:
  ComPtr<IEnumWbemClassObject> objects_;
};

class Win32Services : public platform::WmiServices {
 public:
  explicit Win32Services(ComPtr<IWbemServices> services) : services_(std::move(services)) {}

  std::unique_ptr<platform::WmiObjects> ExecQuery(std::string_view wql,
                                                  std::optional<std::int32_t> flags) override {
    const Bstr language = MakeBstr(L"WQL");
    const Bstr query = MakeBstr(Wide(wql));
    if (!language || !query) throw WmiFailure(E_OUTOFMEMORY);
    ComPtr<IEnumWbemClassObject> objects;
    // The scripting default: return at once, fetch while enumerating.
    const LONG flag_value = flags.value_or(WBEM_FLAG_RETURN_IMMEDIATELY);
    Check(services_->ExecQuery(language.get(), query.get(), flag_value, nullptr, objects.put()));
    AllowImpersonation(objects.get());
    return std::make_unique<Win32Objects>(std::move(objects));
  }

 private:
  ComPtr<IWbemServices> services_;
};

}  // namespace

Failure WmiFailure(HRESULT hr) {
  for (const auto& known : kWbemTexts) {
    if (known.hr == hr) return {static_cast<std::int32_t>(hr), known.text};
  }
  return {static_cast<std::int32_t>(hr), SystemMessage(static_cast<DWORD>(hr))};
}

WmiValue WmiValueFromVariant(const VARIANT& value, CIMTYPE cim_type) {
  const VARTYPE vt = V_VT(&value);
  const CIMTYPE base = cim_type & ~CIM_FLAG_ARRAY;
  if (vt == VT_EMPTY || vt == VT_NULL) return std::monostate{};
  if ((vt & VT_BYREF) != 0) throw Failure::TypeMismatch();
  if ((vt & VT_ARRAY) != 0) return ArrayValue(value, base);
  switch (vt) {
    case VT_BSTR:
      return BstrText(V_BSTR(&value));
    case VT_BOOL:
      return V_BOOL(&value) != VARIANT_FALSE;
    case VT_R4:
      return static_cast<double>(V_R4(&value));
    case VT_R8:
      return V_R8(&value);
    case VT_UI8:
      if (V_UI8(&value) > static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max())) {
        return static_cast<std::uint64_t>(V_UI8(&value));
      }
      return static_cast<std::int64_t>(V_UI8(&value));
    default:
      break;
  }
  std::int64_t n = 0;
  if (!WholeAt(vt, &V_I1(&value), n)) throw Failure::TypeMismatch();
  return AtCimWidth(n, base);
}

void Win32Wmi::EnsureCom() {
  if (com_entered_) return;
  com_ = EnterComApartment();
  com_entered_ = true;
}

std::unique_ptr<platform::WmiServices> Win32Wmi::Connect(std::string_view namespace_path) {
  EnsureCom();
  ComPtr<IWbemLocator> locator;
  Check(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                         reinterpret_cast<void**>(locator.put())));
  const Bstr path = MakeBstr(L"\\\\." + Wide(namespace_path));
  if (!path) throw WmiFailure(E_OUTOFMEMORY);
  ComPtr<IWbemServices> services;
  Check(locator->ConnectServer(path.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                               services.put()));
  AllowImpersonation(services.get());
  return std::make_unique<Win32Services>(std::move(services));
}

}  // namespace norvale::win32

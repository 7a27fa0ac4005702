// WMI over COM: IWbemLocator, IWbemServices, IEnumWbemClassObject.
#pragma once

#include <wbemidl.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>

#include "core/failure.h"
#include "platform/win32/scoped_handle.h"
#include "platform/wmi.h"

namespace norvale::win32 {

// COM, initialised once for the thread when WMI is first used and
// uninitialised when this object goes; every WMI object handed out must go
// before it.
class Win32Wmi : public platform::Wmi {
 public:
  Win32Wmi() = default;
  Win32Wmi(const Win32Wmi&) = delete;
  Win32Wmi& operator=(const Win32Wmi&) = delete;

  std::unique_ptr<platform::WmiServices> Connect(std::string_view namespace_path) override;

 private:
  void EnsureCom();
  bool com_entered_ = false;
  ComApartment com_;
};

// A VARIANT as WMI hands it over, read with the property's CIM type (WMI
// passes unsigned 8-, 16- and 32-bit numbers in wider signed VARIANTs).
platform::WmiValue WmiValueFromVariant(const VARIANT& value, CIMTYPE cim_type);

// A failed HRESULT as our error: the HRESULT as a signed number, and the
// WMI or system text for it.
Failure WmiFailure(HRESULT hr);

}  // namespace norvale::win32

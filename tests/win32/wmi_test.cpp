// The WMI and local security layer against the real thing, and the VARIANT
// conversions with hand-built VARIANTs.
#include "platform/win32/wmi.h"

#include <gtest/gtest.h>

#include "platform/win32/com_ptr.h"
#include "platform/win32/local_security.h"

namespace norvale::win32 {
namespace {

using platform::WmiValue;
using Wholes = std::vector<std::int64_t>;
using Texts = std::vector<std::string>;

VARIANT Scalar(VARTYPE vt, LONGLONG bits) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = vt;
  V_I8(&v) = bits;
  return v;
}

TEST(WmiValueFromVariant, Scalars) {
  struct Case {
    const char* name;
    VARIANT value;
    CIMTYPE cim;
    WmiValue want;
  } cases[] = {
      {"null", Scalar(VT_NULL, 0), CIM_STRING, std::monostate{}},
      {"empty", Scalar(VT_EMPTY, 0), CIM_STRING, std::monostate{}},
      {"uint32 in I4", Scalar(VT_I4, 0xFFFFFFFF), CIM_UINT32, std::int64_t{4294967295}},
      {"sint32 in I4", Scalar(VT_I4, 0xFFFFFFFF), CIM_SINT32, std::int64_t{-1}},
      {"uint16 with upper bits", Scalar(VT_I4, 0x7FFF0009), CIM_UINT16, std::int64_t{9}},
      {"sint16", Scalar(VT_I2, 0xFFFB), CIM_SINT16, std::int64_t{-5}},
      {"uint8", Scalar(VT_UI1, 200), CIM_UINT8, std::int64_t{200}},
      {"sint8", Scalar(VT_I1, 0xFE), CIM_SINT8, std::int64_t{-2}},
      {"I8", Scalar(VT_I8, -7), CIM_SINT64, std::int64_t{-7}},
      {"UI8 large", Scalar(VT_UI8, static_cast<LONGLONG>(0xFFFFFFFFFFFFFFFFull)), CIM_UINT64,
       std::uint64_t{0xFFFFFFFFFFFFFFFFull}},
      {"bool true", Scalar(VT_BOOL, static_cast<SHORT>(VARIANT_TRUE)), CIM_BOOLEAN, true},
      {"bool false", Scalar(VT_BOOL, VARIANT_FALSE), CIM_BOOLEAN, false},
  };
  for (auto& c : cases) {
    if (V_VT(&c.value) == VT_BOOL) V_BOOL(&c.value) = static_cast<VARIANT_BOOL>(V_I8(&c.value));
    if (V_VT(&c.value) == VT_I2) V_I2(&c.value) = static_cast<SHORT>(V_I8(&c.value));
    if (V_VT(&c.value) == VT_I1) V_I1(&c.value) = static_cast<CHAR>(V_I8(&c.value));
    if (V_VT(&c.value) == VT_UI1) V_UI1(&c.value) = static_cast<BYTE>(V_I8(&c.value));
    if (V_VT(&c.value) == VT_I4) V_I4(&c.value) = static_cast<LONG>(V_I8(&c.value));
    EXPECT_EQ(WmiValueFromVariant(c.value, c.cim), c.want) << c.name;
  }
  VARIANT real = Scalar(VT_R8, 0);
  V_R8(&real) = 1.5;
  EXPECT_EQ(WmiValueFromVariant(real, CIM_REAL64), WmiValue{1.5});
}

TEST(WmiValueFromVariant, TextAndArrays) {
  Variant text;
  {
    VARIANT* v = text.put();
    V_VT(v) = VT_BSTR;
    V_BSTR(v) = SysAllocString(L"  Contoso \u00E9\u7DCF ");
  }
  EXPECT_EQ(WmiValueFromVariant(text.get(), CIM_STRING),
            WmiValue{"  Contoso \xC3\xA9\xE7\xB7\x8F "});

  // uint16[] arrives as VT_ARRAY | VT_I4; only the low 16 bits are the value.
  Variant codes;
  {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 3);
    LONG values[] = {3, static_cast<LONG>(0x12340009), 24};
    for (LONG i = 0; i < 3; ++i) SafeArrayPutElement(array, &i, &values[i]);
    VARIANT* v = codes.put();
    V_VT(v) = VT_ARRAY | VT_I4;
    V_ARRAY(v) = array;
  }
  EXPECT_EQ(WmiValueFromVariant(codes.get(), CIM_UINT16 | CIM_FLAG_ARRAY),
            WmiValue(Wholes{3, 9, 24}));

  Variant texts;
  {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const wchar_t* values[] = {L"192.168.1.10", L"fe80::1"};
    for (LONG i = 0; i < 2; ++i) {
      BSTR s = SysAllocString(values[i]);
      SafeArrayPutElement(array, &i, s);  // copies
      SysFreeString(s);
    }
    VARIANT* v = texts.put();
    V_VT(v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v) = array;
  }
  EXPECT_EQ(WmiValueFromVariant(texts.get(), CIM_STRING | CIM_FLAG_ARRAY),
            WmiValue(Texts{"192.168.1.10", "fe80::1"}));

  Variant empty;
  {
    VARIANT* v = empty.put();
    V_VT(v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v) = SafeArrayCreateVector(VT_BSTR, 0, 0);
  }
  EXPECT_EQ(WmiValueFromVariant(empty.get(), CIM_STRING | CIM_FLAG_ARRAY), WmiValue{Texts{}});

  Variant two_dimensions;
  {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    VARIANT* v = two_dimensions.put();
    V_VT(v) = VT_ARRAY | VT_I4;
    V_ARRAY(v) = SafeArrayCreate(VT_I4, 2, bounds);
  }
  EXPECT_THROW(WmiValueFromVariant(two_dimensions.get(), CIM_SINT32 | CIM_FLAG_ARRAY), Failure);

  VARIANT unknown = Scalar(VT_UNKNOWN, 0);
  EXPECT_THROW(WmiValueFromVariant(unknown, CIM_OBJECT), Failure);
}

// Counts its own references, to check the owner releases what it holds.
class CountedUnknown : public IUnknown {
 public:
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, ReleasesEveryReferenceItHolds) {
  CountedUnknown object;
  {
    ComPtr<IUnknown> owner(&object);
    object.AddRef();
    ComPtr<IUnknown> second(&object);
    EXPECT_EQ(object.refs, 2u);
    ComPtr<IUnknown> moved = std::move(second);
    EXPECT_EQ(object.refs, 2u);
    moved.put();  // an out-parameter slot releases the old reference first
    EXPECT_EQ(object.refs, 1u);
    moved = std::move(owner);  // taking over drops nothing
    EXPECT_EQ(object.refs, 1u);
  }
  EXPECT_EQ(object.refs, 0u);
}

TEST(Win32Wmi, QueriesTheLocalComputer) {
  Win32Wmi wmi;
  auto services = wmi.Connect("\\root\\cimv2");
  auto objects = services->ExecQuery("Select * From Win32_BIOS", std::nullopt);
  auto bios = objects->Next();
  ASSERT_TRUE(bios);
  const WmiValue maker = bios->Get("Manufacturer");
  EXPECT_TRUE(std::holds_alternative<std::string>(maker) ||
              std::holds_alternative<std::monostate>(maker));
  try {
    bios->Get("NoSuchProperty");
    ADD_FAILURE() << "a missing property must fail";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), -2147217406);
    EXPECT_EQ(failure.description(), "Not found");
  }
  // Forward-only results run out and stay out.
  auto forward = services->ExecQuery("Select * From Win32_ComputerSystem", 48);
  int count = 0;
  while (forward->Next()) ++count;
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(forward->Next());
}

TEST(Win32Wmi, UnknownNamespaceFails) {
  Win32Wmi wmi;
  EXPECT_THROW(wmi.Connect("\\root\\no_such_namespace"), Failure);
}

TEST(Win32LocalSecurity, ReadsThePrimaryDomainAndUser) {
  Win32LocalSecurity lsa;
  std::unique_ptr<platform::LsaPolicy> policy;
  ASSERT_EQ(lsa.OpenPolicy(policy), 0u);
  ASSERT_TRUE(policy);
  platform::PrimaryDomainInfo info;
  EXPECT_EQ(policy->QueryPrimaryDomain(info), 0u);
  EXPECT_FALSE(info.name.empty());
  const auto user = lsa.UserName();
  ASSERT_TRUE(user);
  EXPECT_FALSE(user->empty());
  EXPECT_EQ(lsa.StatusText(0xC0000022u).rfind("Access", 0), 0u);
}

}  // namespace
}  // namespace norvale::win32

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "test_server.h"

namespace {

// {0A0B0C0D-0102-0304-0506-0708090A0B0C}
constexpr CLSID kUnknownClassId = {0x0A0B0C0D, 0x0102, 0x0304, {0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C}};
constexpr char kUnknownClassFile[] = "{0A0B0C0D-0102-0304-0506-0708090A0B0C}";

void* const kGarbage = reinterpret_cast<void*>(0x5A5A);

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool IsLoaded(const char* path) {
  void* handle = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

std::string RealPath(const char* path) {
  char resolved[PATH_MAX];
  return realpath(path, resolved) != nullptr ? resolved : "";
}

// Points the class registry at a fresh folder of the test's own.
class ClassRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tapline-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dataHome = pattern;
    setenv("XDG_DATA_HOME", pattern, 1);
  }
  void TearDown() override {
    unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(dataHome);
  }

  std::filesystem::path EntryOf(const char* classFile) const {
    return dataHome / "tapline" / "classes" / classFile;
  }

  std::filesystem::path dataHome;
};

TEST_F(ClassRegistryTest, DirectoryFollowsDataHome) {
  EXPECT_EQ(std::string(platform::ClassRegistryDirectory()), (dataHome / "tapline/classes").string());
  const char* home = std::getenv("HOME");
  const std::string savedHome = home != nullptr ? home : "";
  setenv("XDG_DATA_HOME", "relative/data", 1);  // not absolute: ignored
  setenv("HOME", "/home/someone", 1);
  EXPECT_STREQ(platform::ClassRegistryDirectory(), "/home/someone/.local/share/tapline/classes");
  if (home != nullptr) setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(ClassRegistryTest, RegistrationWritesOneEntryPerClass) {
  ASSERT_EQ(platform::RegisterInprocServer(kUnknownClassId, "/opt/x/libserver.so", "Apartment"), S_OK);
  EXPECT_EQ(ReadFile(EntryOf(kUnknownClassFile)), "/opt/x/libserver.so\nThreadingModel=Apartment\n");
  ASSERT_EQ(platform::RegisterInprocServer(kUnknownClassId, "/opt/y/libother.so", nullptr), S_OK);
  EXPECT_EQ(ReadFile(EntryOf(kUnknownClassFile)), "/opt/y/libother.so\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(EntryOf("")), {}), 1);  // no temporaries left

  EXPECT_EQ(platform::UnregisterInprocServer(kUnknownClassId), S_OK);
  EXPECT_FALSE(std::filesystem::exists(EntryOf(kUnknownClassFile)));
  EXPECT_EQ(platform::UnregisterInprocServer(kUnknownClassId), S_OK);
}

TEST_F(ClassRegistryTest, RefusesPathsThatAreNoEntry) {
  EXPECT_EQ(platform::RegisterInprocServer(kUnknownClassId, nullptr, "Apartment"), E_INVALIDARG);
  EXPECT_EQ(platform::RegisterInprocServer(kUnknownClassId, "", "Apartment"), E_INVALIDARG);
  EXPECT_EQ(platform::RegisterInprocServer(kUnknownClassId, "/a\n/b", "Apartment"), E_INVALIDARG);
  EXPECT_EQ(platform::RegisterInprocServer(kUnknownClassId, "/a", "Apart\nment"), E_INVALIDARG);
  EXPECT_FALSE(std::filesystem::exists(EntryOf(kUnknownClassFile)));
}

TEST_F(ClassRegistryTest, ReportsUnwritableRegistry) {
  std::ofstream(dataHome / "tapline") << "a file where a folder belongs";
  EXPECT_EQ(platform::RegisterInprocServer(kUnknownClassId, "/a", nullptr), REGDB_E_WRITEREGDB);
}

// A creation refused before any object is made: the result, and a null object.
struct RefusedCreation {
  const char* name;
  bool inApartment;
  CLSID classId;
  bool aggregated;
  IID iid;
  HRESULT result;
};

class RefusedCreationTest : public ClassRegistryTest,
                            public ::testing::WithParamInterface<RefusedCreation> {};

TEST_P(RefusedCreationTest, GivesTheReasonAndNoObject) {
  const RefusedCreation& c = GetParam();
  if (c.inApartment) ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IUnknown* outer = c.aggregated ? reinterpret_cast<IUnknown*>(kGarbage) : nullptr;  // never called
  void* object = kGarbage;
  EXPECT_EQ(CoCreateInstance(c.classId, outer, CLSCTX_INPROC_SERVER, c.iid, &object), c.result);
  EXPECT_EQ(object, nullptr);
  if (c.inApartment) CoUninitialize();
}

INSTANTIATE_TEST_SUITE_P(
    Creations, RefusedCreationTest,
    ::testing::Values(RefusedCreation{"NeedsAnApartment", false, kTestServerClassId, false,
                                      kTestObjectId, CO_E_NOTINITIALIZED},
                      RefusedCreation{"RefusesAggregation", true, kTestServerClassId, true,
                                      kTestObjectId, CLASS_E_NOAGGREGATION},
                      RefusedCreation{"UnknownClassIsNotRegistered", true, kUnknownClassId, false,
                                      IID_IUnknown, REGDB_E_CLASSNOTREG}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClassRegistryTest, LastUninitialiseUnloadsTheServer) {
  ASSERT_EQ(platform::RegisterInprocServer(kTestServerClassId, TAPLINE_TEST_SERVER_PATH, "Apartment"), S_OK);
  ASSERT_FALSE(IsLoaded(TAPLINE_TEST_SERVER_PATH));
  ASSERT_EQ(CoInitialize(nullptr), S_OK);

  TestObjectInterface* first = nullptr;
  TestObjectInterface* second = nullptr;
  ASSERT_EQ(CoCreateInstance(kTestServerClassId, nullptr, CLSCTX_INPROC_SERVER, kTestObjectId,
                             reinterpret_cast<void**>(&first)),
            S_OK);
  ASSERT_EQ(CoCreateInstance(kTestServerClassId, nullptr, CLSCTX_INPROC_SERVER, kTestObjectId,
                             reinterpret_cast<void**>(&second)),
            S_OK);
  EXPECT_EQ(first->Value(), 0x01020304);
  EXPECT_NE(first, second);
  EXPECT_TRUE(IsLoaded(TAPLINE_TEST_SERVER_PATH));
  first->Release();
  second->Release();

  ASSERT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  EXPECT_TRUE(IsLoaded(TAPLINE_TEST_SERVER_PATH));  // a nested end keeps the apartment
  CoUninitialize();
  EXPECT_FALSE(IsLoaded(TAPLINE_TEST_SERVER_PATH));  // held once, however often created
}

TEST_F(ClassRegistryTest, ComErrorThrownInServerIsCaughtHere) {
  ASSERT_EQ(platform::RegisterInprocServer(kTestServerClassId, TAPLINE_TEST_SERVER_PATH, nullptr), S_OK);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  ComPtr<TestObjectInterface> object;
  ASSERT_EQ(CoCreateInstance(kTestServerClassId, nullptr, CLSCTX_INPROC_SERVER, kTestObjectId, object.put_void()),
            S_OK);
  HRESULT caught = S_OK;
  try {
    object->Raise(E_INVALIDARG);
  } catch (const _com_error& error) {
    caught = error.Error();
  }
  EXPECT_EQ(caught, E_INVALIDARG);
  object.reset();
  CoUninitialize();
}

TEST_F(ClassRegistryTest, ReportsWhatKeepsTheServerFromServing) {
  char runtimePath[PATH_MAX];
  ASSERT_TRUE(platform::ModulePathOf(reinterpret_cast<const void*>(&CoInitialize), runtimePath, sizeof runtimePath));
  const std::string missing = (dataHome / "libmissing.so").string();
  const struct {
    const char* module;
    HRESULT expected;
  } cases[] = {
      {missing.c_str(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
      {runtimePath, CO_E_ERRORINDLL},                       // a module without DllGetClassObject
      {TAPLINE_TEST_SERVER_PATH, CLASS_E_CLASSNOTAVAILABLE},  // the server does not know the class
  };
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.module);
    ASSERT_EQ(platform::RegisterInprocServer(kUnknownClassId, entry.module, nullptr), S_OK);
    void* object = kGarbage;
    EXPECT_EQ(CoCreateInstance(kUnknownClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), entry.expected);
    EXPECT_EQ(object, nullptr);
  }
  CoUninitialize();
  EXPECT_FALSE(IsLoaded(TAPLINE_TEST_SERVER_PATH));
}

TEST_F(ClassRegistryTest, EntryWithoutModuleIsNoRegistration) {
  std::filesystem::create_directories(EntryOf(""));
  std::ofstream(EntryOf(kUnknownClassFile)) << "\nThreadingModel=Apartment\n";
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  void* object = kGarbage;
  EXPECT_EQ(CoCreateInstance(kUnknownClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  CoUninitialize();
}

TEST(ModulePathTest, FindsTheFileHoldingAnAddress) {
  void* server = dlopen(TAPLINE_TEST_SERVER_PATH, RTLD_NOW);
  ASSERT_NE(server, nullptr);
  char path[PATH_MAX];
  EXPECT_TRUE(platform::ModulePathOf(dlsym(server, "DllGetClassObject"), path, sizeof path));
  EXPECT_EQ(std::string(path), RealPath(TAPLINE_TEST_SERVER_PATH));
  dlclose(server);

  static const int inExecutable = 0;
  EXPECT_TRUE(platform::ModulePathOf(&inExecutable, path, sizeof path));
  EXPECT_EQ(std::string(path), RealPath("/proc/self/exe"));
}

TEST(ModulePathTest, RefusesTooSmallBuffer) {
  char path[PATH_MAX];
  ASSERT_TRUE(platform::ModulePathOf(reinterpret_cast<const void*>(&CoInitialize), path, sizeof path));
  const std::size_t length = std::strlen(path);
  std::string small(length, 'x');
  EXPECT_FALSE(platform::ModulePathOf(reinterpret_cast<const void*>(&CoInitialize), small.data(), length));
  EXPECT_EQ(small[0], '\0');
}

// A class object of the test's own, counting references and creations.
struct CountingFactory final : IClassFactory {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      AddRef();
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** object) override {
    ++creations;
    *object = result == S_OK ? static_cast<IUnknown*>(this) : kGarbage;  // a failing factory writes junk
    if (result == S_OK) AddRef();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  ULONG references = 1;
  int creations = 0;
  HRESULT result = S_OK;
};

TEST(ClassObjectRegistrationTest, ServesUntilRevoked) {
  CountingFactory factory;
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kUnknownClassId, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(factory.references, 2u);

  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IUnknown* object = nullptr;
  ASSERT_EQ(CoCreateInstance(kUnknownClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  EXPECT_EQ(object, &factory);
  object->Release();
  EXPECT_EQ(factory.references, 2u);  // the lookup's references are all given back
  CoUninitialize();

  ASSERT_EQ(CoInitialize(nullptr), S_OK);  // registrations outlive apartments
  factory.result = E_OUTOFMEMORY;
  void* failed = nullptr;
  EXPECT_EQ(CoCreateInstance(kUnknownClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &failed), E_OUTOFMEMORY);
  EXPECT_EQ(failed, nullptr);
  EXPECT_EQ(factory.creations, 2);

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(factory.references, 1u);
  EXPECT_EQ(CoCreateInstance(kUnknownClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &failed),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(factory.creations, 2);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  EXPECT_EQ(factory.references, 1u);
  CoUninitialize();
}

TEST(ClassObjectRegistrationTest, RefusesNullArguments) {
  CountingFactory factory;
  DWORD cookie = 7;
  EXPECT_EQ(CoRegisterClassObject(kUnknownClassId, nullptr, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            E_INVALIDARG);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(CoRegisterClassObject(kUnknownClassId, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(factory.references, 1u);
}

}  // namespace

// The automation registry and the engine's two automation objects.
#include "connection/automation.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "connection/connection_string.h"
#include "jet/compact.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/text.h"

namespace qb {

namespace {

std::filesystem::path filePath(std::u16string_view dataSource) {
  return std::filesystem::path(jet::toUtf8(dataSource));
}

std::string nameOf(std::u16string_view name) {
  return "'" + jet::toUtf8(name) + "'";
}

struct Registered {
  std::u16string name;
  AutomationClass definition;
};

// Office applications do not run here; a platform that has one replaces this.
std::unique_ptr<AutomationObject> noAccessApplication() {
  throw jet::Error(jet::ErrorCode::Unsupported,
                   "Microsoft Access is not available on this system: the automation object "
                   "'Access.Application' cannot be made");
}

std::vector<Registered>& registry() {
  static std::vector<Registered> classes{
      {u"JRO.JetEngine", {[] { return std::unique_ptr<AutomationObject>(new JetEngine); }, {}}},
      {u"ADOX.Catalog", {[] { return std::unique_ptr<AutomationObject>(new Catalog); }, {}}},
      {u"Access.Application", {noAccessApplication, {}}},
  };
  return classes;
}

Registered* find(std::u16string_view className) {
  for (Registered& entry : registry()) {
    if (jet::equalNamesNoCase(entry.name, className)) return &entry;
  }
  return nullptr;
}

const AutomationClass& classNamed(std::u16string_view className) {
  const Registered* entry = find(className);
  if (entry == nullptr) {
    throw jet::Error(jet::ErrorCode::NotFound,
                     "Invalid class string: no automation object is named " + nameOf(className));
  }
  return entry->definition;
}

}  // namespace

AutomationObject::~AutomationObject() = default;

void JetEngine::CompactDatabase(std::u16string_view source, std::u16string_view destination) {
  const ConnectionSettings from = connectionSettingsOf(source);
  const ConnectionSettings to = connectionSettingsOf(destination);
  if (to.password != from.password) {
    throw jet::Error(jet::ErrorCode::Unsupported,
                     "Cannot compact " + nameOf(from.dataSource) +
                         " to a copy with another database password: the copy keeps the password of the original");
  }
  jet::compactDatabase(filePath(from.dataSource), filePath(to.dataSource), from.password);
}

void JetEngine::CompactDatabaseInPlace(std::u16string_view source) {
  const ConnectionSettings settings = connectionSettingsOf(source);
  jet::compactDatabaseInPlace(filePath(settings.dataSource), settings.password);
}

Catalog::~Catalog() = default;

void Catalog::create(std::u16string_view connectionString) {
  const ConnectionSettings settings = connectionSettingsOf(connectionString);
  jet::CreateOptions options;
  options.password = settings.password;
  std::unique_ptr<jet::Database> created = jet::Database::create(filePath(settings.dataSource), options);
  // A catalog holds one database; a second create closes the first.
  activeConnection_ = std::move(created);
}

std::unique_ptr<AutomationObject> createAutomationObject(std::u16string_view className) {
  const AutomationClass& definition = classNamed(className);
  if (!definition.create) {
    throw jet::Error(jet::ErrorCode::Unsupported, "Cannot make a new " + nameOf(className) + " object");
  }
  return definition.create();
}

std::unique_ptr<AutomationObject> activeAutomationObject(std::u16string_view className) {
  const AutomationClass& definition = classNamed(className);
  if (!definition.attach) {
    throw jet::Error(jet::ErrorCode::NotFound,
                     "Operation unavailable: no " + nameOf(className) + " object is running");
  }
  return definition.attach();
}

AutomationClass registerAutomationClass(std::u16string_view className, AutomationClass definition) {
  std::vector<Registered>& classes = registry();
  const bool removing = !definition.create && !definition.attach;
  for (auto entry = classes.begin(); entry != classes.end(); ++entry) {
    if (!jet::equalNamesNoCase(entry->name, className)) continue;
    AutomationClass previous = std::exchange(entry->definition, std::move(definition));
    if (removing) classes.erase(entry);
    return previous;
  }
  if (!removing) classes.push_back({std::u16string(className), std::move(definition)});
  return {};
}

void failNoSuchInterface() {
  throw jet::Error(jet::ErrorCode::InvalidArgument, "No such interface supported");
}

}  // namespace qb

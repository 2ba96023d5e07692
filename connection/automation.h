// Automation objects made by name: the engine's tools and the office
// application that the database tools drive, each reached through a class name
// ("JRO.JetEngine", "ADOX.Catalog", "Access.Application") as a program asks an
// automation server for one. A small registry maps each name to what makes a
// new instance and what attaches to a running one.
//
// - "JRO.JetEngine" compacts database files with the engine's compaction.
// - "ADOX.Catalog" creates blank database files with the engine's creation.
// - "Access.Application" is registered, but no such application exists on this
//   platform: making one fails with a message that says so. A platform (or a
//   test) that has one registers its own class under the name.
//
// Every failure is a jet::Error with a message for a person.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace jet {
class Database;
}

namespace qb {

// Base of every object the registry makes.
class AutomationObject {
 public:
  virtual ~AutomationObject();
};

// "JRO.JetEngine": the engine's file tools behind connection strings (the
// forms of connection_string.h; the password is the value of "Jet OLEDB:Database
// Password", the file that of "Data Source").
class JetEngine final : public AutomationObject {
 public:
  // Writes a compacted copy of the database named by `source` to the file
  // named by `destination`, which must not exist. The source is only read.
  // The copy keeps the source's password; a destination that asks for another
  // one is refused (Unsupported), since the engine does not re-encrypt while
  // compacting. The engine's error otherwise (wrong password, not a database,
  // damaged file, the destination exists), with nothing left at the
  // destination.
  void CompactDatabase(std::u16string_view source, std::u16string_view destination);

  // Compacts the database named by `source` in place: the copy is written
  // beside the file, made durable and renamed over it, so the file is either
  // the old one or the compacted one, never a mix. Refused (ReadOnly) while
  // another program holds the file for writing or when it cannot be written;
  // on any failure the file is left exactly as it was.
  void CompactDatabaseInPlace(std::u16string_view source);
};

// "ADOX.Catalog": the catalog of a database, here only its creation.
class Catalog final : public AutomationObject {
 public:
  ~Catalog() override;

  // Creates a new blank database at the "Data Source" of `connectionString`
  // (with the password of "Jet OLEDB:Database Password", if any) and keeps it
  // open until the catalog is released. An existing file is never touched.
  void create(std::u16string_view connectionString);

 private:
  std::unique_ptr<jet::Database> activeConnection_;
};

// "Access.Application": the calls the database tools make on the office
// application. Implemented only by a class registered under that name.
class AccessApplication : public AutomationObject {
 public:
  virtual void setVisible(bool visible) = 0;
  virtual void OpenCurrentDatabase(std::u16string_view path, bool exclusive) = 0;
  virtual void CloseCurrentDatabase() = 0;
};

// What the registry knows of one class name. Either function may be empty:
// no new instance can be made, or there is never a running one to attach to.
struct AutomationClass {
  std::function<std::unique_ptr<AutomationObject>()> create;
  std::function<std::unique_ptr<AutomationObject>()> attach;
};

// A new instance of the class registered as `className` (matched without
// regard to case). An unknown name fails with "Invalid class string"; a class
// that cannot make instances fails with its own reason.
std::unique_ptr<AutomationObject> createAutomationObject(std::u16string_view className);

// The running instance of `className`. Fails when none is running ("Operation
// unavailable") and, like createAutomationObject, for an unknown name.
std::unique_ptr<AutomationObject> activeAutomationObject(std::u16string_view className);

// The object as the interface its caller expects; "No such interface
// supported" when it is of another kind.
template <class Interface>
std::unique_ptr<Interface> automationInterface(std::unique_ptr<AutomationObject> object);

// Registers `definition` as `className`, replacing a class of the same name,
// and returns what was registered before (empty functions when nothing was).
// A definition with neither function removes the name, so registering what
// was returned puts the registry back as it was.
AutomationClass registerAutomationClass(std::u16string_view className, AutomationClass definition);

// Fails for automationInterface; kept out of the template.
[[noreturn]] void failNoSuchInterface();

template <class Interface>
std::unique_ptr<Interface> automationInterface(std::unique_ptr<AutomationObject> object) {
  auto* typed = dynamic_cast<Interface*>(object.get());
  if (typed == nullptr) failNoSuchInterface();
  object.release();
  return std::unique_ptr<Interface>(typed);
}

}  // namespace qb

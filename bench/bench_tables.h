// What the write benchmark and the database generator share: a new blank
// database, and the tables of the benchmark databases: Orders (autonumber
// primary key, an indexed customer key and text column, memo notes) and the
// Customers they refer to.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"

namespace qbbench {

// A new blank database at `path`, replacing any file there.
inline std::unique_ptr<jet::Database> createBlank(const std::filesystem::path& path) {
  std::filesystem::remove(path);
  return jet::Database::create(path);
}

// An Access 97 database at `path` for benchmarks: blank databases are always
// made in the Access 2000 format, so this starts from a copy of an existing
// Access 97 file and drops every user table in it; what the benchmark then
// stores is written by our engine.
inline std::unique_ptr<jet::Database> createAccess97(const std::filesystem::path& path,
                                                     const std::filesystem::path& access97File) {
  std::filesystem::remove(path);
  std::filesystem::copy_file(access97File, path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  auto db = jet::Database::open(path, {});
  if (db->info().format != jet::FileFormat::Jet3) {
    throw jet::Error(jet::ErrorCode::InvalidArgument, access97File.string() + " is not an Access 97 database");
  }
  std::vector<std::u16string> tables;
  for (const jet::CatalogObject& o : db->catalog()) {
    if (o.type == 1 && !o.isSystem() && db->hasTable(o.name)) tables.push_back(o.name);
  }
  for (const std::u16string& name : tables) db->dropTable(name);
  return db;
}

inline jet::ColumnSpec column(const char16_t* name, jet::DataType type, std::uint16_t size = 0) {
  jet::ColumnSpec c;
  c.name = name;
  c.type = type;
  c.size = size;
  return c;
}

inline jet::IndexSpec index(const char16_t* name, const char16_t* column, bool primaryKey = false) {
  jet::IndexSpec i;
  i.name = name;
  i.primaryKey = primaryKey;
  i.columns = {{column, true}};
  return i;
}

// Orders: ID (autonumber, primary key), CustomerId (long, indexed), Customer
// (text 50, indexed), Amount (currency), Qty (long), Created (date/time), Paid
// (yes/no), Notes (memo).
inline jet::TableSpec ordersSpec() {
  jet::TableSpec spec;
  spec.name = u"Orders";
  spec.columns = {column(u"ID", jet::DataType::Long),          column(u"CustomerId", jet::DataType::Long),
                  column(u"Customer", jet::DataType::Text, 50), column(u"Amount", jet::DataType::Currency),
                  column(u"Qty", jet::DataType::Long),          column(u"Created", jet::DataType::DateTime),
                  column(u"Paid", jet::DataType::Boolean),      column(u"Notes", jet::DataType::Memo)};
  spec.columns[0].autoNumber = true;
  spec.indexes = {index(u"PrimaryKey", u"ID", true), index(u"CustomerId", u"CustomerId"),
                  index(u"Customer", u"Customer")};
  return spec;
}

// Customers: CustomerId (long, primary key), Name (text 50), City (text 40),
// Country (text 30), Joined (date/time), Credit (currency).
inline jet::TableSpec customersSpec() {
  jet::TableSpec spec;
  spec.name = u"Customers";
  spec.columns = {column(u"CustomerId", jet::DataType::Long), column(u"Name", jet::DataType::Text, 50),
                  column(u"City", jet::DataType::Text, 40),   column(u"Country", jet::DataType::Text, 30),
                  column(u"Joined", jet::DataType::DateTime), column(u"Credit", jet::DataType::Currency)};
  spec.indexes = {index(u"PrimaryKey", u"CustomerId", true)};
  return spec;
}

// Realistic rows: customer names from a few thousand, amounts to the cent,
// dates over ten years, notes on one row in ten (some of them long).
class OrderRows {
 public:
  // Orders refer to customers 1..customers.
  explicit OrderRows(std::uint32_t seed, std::uint32_t customers = 10000) : random_(seed), customers_(customers) {}

  std::u16string customerName() {
    static constexpr const char16_t* kFirst[] = {u"Anna", u"Bernd", u"Chloé", u"Dmitri", u"Eva", u"Farid",
                                                  u"Greta", u"Hugo", u"Ingrid", u"Jürgen", u"Keiko", u"Lars"};
    static constexpr const char16_t* kLast[] = {u"Müller", u"Schmidt", u"Dubois", u"Rossi", u"Novak", u"Smith",
                                                 u"García", u"Kowalski", u"Jensen", u"Tanaka", u"Okafor", u"Silva"};
    std::u16string name = kFirst[random_() % 12];
    name += u' ';
    name += kLast[random_() % 12];
    name += u' ';
    name += jet::fromUtf8(std::to_string(random_() % 400));
    return name;
  }

  std::vector<jet::Value> next() {
    std::vector<jet::Value> row(8);
    row[1] = jet::Value::longInt(static_cast<std::int32_t>(random_() % customers_ + 1));
    row[2] = jet::Value::text(customerName());
    row[3] = jet::Value::currency(jet::Currency{static_cast<std::int64_t>(random_() % 100000000) * 100});
    row[4] = jet::Value::longInt(static_cast<std::int32_t>(random_() % 500 + 1));
    row[5] = jet::Value::dateTime(jet::DateTime{40000.0 + static_cast<double>(random_() % 3650) +
                                                static_cast<double>(random_() % 86400) / 86400.0});
    row[6] = jet::Value::boolean(random_() % 3 != 0);
    if (random_() % 10 == 0) {
      const std::size_t length = random_() % 8 == 0 ? 2000 + random_() % 6000 : 20 + random_() % 200;
      std::u16string notes;
      for (std::size_t i = 0; i < length; ++i) notes.push_back(i % 7 == 6 ? u' ' : static_cast<char16_t>(u'a' + random_() % 26));
      row[7] = jet::Value::text(std::move(notes));
    }
    return row;
  }

  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(random_() % n); }

 private:
  std::mt19937 random_;
  std::uint32_t customers_;
};

// Customer rows 1, 2, 3, ...: names from a few hundred, cities and countries
// from short lists (City and Country repeat, so they group and filter).
class CustomerRows {
 public:
  explicit CustomerRows(std::uint32_t seed) : names_(seed), random_(seed + 1) {}

  std::vector<jet::Value> next() {
    static constexpr const char16_t* kCountries[] = {u"Germany", u"France", u"Italy",  u"Spain",   u"Poland",
                                                     u"Sweden",  u"Norway", u"Japan",  u"Nigeria", u"Brazil",
                                                     u"Canada",  u"Chile"};
    static constexpr const char16_t* kCities[] = {u"Berlin", u"Hamburg", u"Paris",  u"Lyon",   u"Rome",  u"Milan",
                                                  u"Madrid", u"Seville", u"Warsaw", u"Krakow", u"Malmö", u"Oslo",
                                                  u"Osaka",  u"Lagos",   u"Recife", u"Quebec", u"Talca", u"Bonn"};
    std::vector<jet::Value> row(6);
    row[0] = jet::Value::longInt(static_cast<std::int32_t>(++id_));
    row[1] = jet::Value::text(names_.customerName());
    row[2] = jet::Value::text(kCities[random_() % 18]);
    row[3] = jet::Value::text(kCountries[random_() % 12]);
    row[4] = jet::Value::dateTime(jet::DateTime{38000.0 + static_cast<double>(random_() % 5000)});
    row[5] = jet::Value::currency(jet::Currency{static_cast<std::int64_t>(random_() % 5000000) * 100});
    return row;
  }

 private:
  OrderRows names_;  // for its customer names
  std::mt19937 random_;
  std::uint32_t id_ = 0;
};

inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace qbbench

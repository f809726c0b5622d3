#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/ContentHasher.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quillarc::test {

/// A catalogue file in a temporary folder, and copies made up for it.
class CatalogueFixture : public ::testing::Test {
public:
    /// A record of `path` holding `bytes`, written by the pass `stamp`.
    static CopyRecord record(const std::string &path, const std::string &bytes,
                             const std::string &stamp = "2026-12-01T100000Z", std::int64_t modifiedNs = 1'000'000'007)
    {
        CopyRecord copy;
        copy.path = path;
        copy.size = static_cast<std::int64_t>(bytes.size());
        copy.modifiedNs = modifiedNs;
        copy.sourceChangedNs = modifiedNs + 5;
        copy.mode = 0100640;
        copy.uid = 1000;
        copy.gid = 100;
        copy.hash = ContentHasher::of(bytes.data(), bytes.size());
        copy.passStamp = stamp;
        return copy;
    }

protected:
    CatalogueFixture() : catalogue(std::make_unique<Catalogue>(folder / "catalogue.sqlite")) {}

    void reopen()
    {
        catalogue.reset();
        catalogue = std::make_unique<Catalogue>(folder / "catalogue.sqlite");
    }

    TempFolder folder;
    std::unique_ptr<Catalogue> catalogue;
};

} // namespace quillarc::test

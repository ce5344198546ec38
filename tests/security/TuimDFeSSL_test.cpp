#include <gtest/gtest.h>

#include "security/TuimDFeSSL.h"

using namespace tuim;

TEST(DFeSSL, NewFacadeHasTheDefaults) {
  TDFeSSL ssl;
  EXPECT_EQ(ssl.SSLDgst(), dgstSHA1);
  EXPECT_EQ(ssl.StoreLocation(), slCurrentUser);
}

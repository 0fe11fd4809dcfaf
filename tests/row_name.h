// Names table-driven test cases after their row's `name`, so a failure says which row it was.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct RowName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

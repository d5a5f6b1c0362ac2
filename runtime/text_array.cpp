// Checked 1-based element access of text lists.
#include "runtime/fatal_error.h"
#include "runtime/text.h"

const Text& TextArray::element(int k) const {
  if (k < 1) fatal_error(4, "数组成员引用下标必须大于等于1");
  if (k > count()) fatal_error(1, "数组成员引用下标超出定义范围");
  return elements_[static_cast<std::size_t>(k - 1)];
}

Text& TextArray::element(int k) {
  return const_cast<Text&>(static_cast<const TextArray&>(*this).element(k));
}

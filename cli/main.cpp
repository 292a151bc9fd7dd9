#include <cstdio>

int main() {
  std::puts("tresslin: no commands yet");
  return 0;
}

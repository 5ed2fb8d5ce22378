#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
  // Code page bugs go unseen under any other ANSI code page.
  if (GetACP() != 932) {
    fprintf(stderr, "the ANSI code page is %u, not 932: run under a Japanese locale\n", GetACP());
    return 1;
  }
#endif
  return RUN_ALL_TESTS();
}

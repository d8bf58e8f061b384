"""The Windows build reads the shared table of number texts as the native build does."""

import unittest

from base import assert_check_program_passes


class WindowsNumberReader(unittest.TestCase):
    def test_reads_the_shared_table(self):
        assert_check_program_passes(self, "tests/numeric/vespera_numeric_check.exe", least=50,
                                    timeout=60)


if __name__ == "__main__":
    unittest.main()

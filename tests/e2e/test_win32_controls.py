"""The Win32 control layer's own checks, against real windows under Wine."""

import unittest

from base import assert_check_program_passes


class Win32ControlLayer(unittest.TestCase):
    def test_control_layer_checks_pass(self):
        assert_check_program_passes(self, "tests/win32/vespera_ui_win32_test.exe")


if __name__ == "__main__":
    unittest.main()

"""The browser tests' own bookkeeping: each check printed as it is made, and the closing line."""


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=""):
        """Prints "ok" or "FAILED" with what was checked (and, when it failed, what was seen)."""
        if ok:
            self.passed += 1
            print(f"ok      {what}", flush=True)
        else:
            self.failed += 1
            print(f"FAILED  {what}{': ' + str(detail) if detail != '' else ''}", flush=True)
        return ok

    def closing_line(self):
        return f"{self.passed} passed, {self.failed} failed"

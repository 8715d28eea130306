"""Every shell and Python snippet of the README and of docs/ that reads a recording runs as
written, on the demo recording: each Python snippet as a script of its own (as a user saves and
runs it), each shell snippet with bash from the repository's root. The build, install and CI
commands are left to scripts/demo.sh, scripts/test.sh and CI, which run them (.ci/packages the
README's Install section's).
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import unittest

import support

REPOSITORY = pathlib.Path(__file__).resolve().parents[2]
# Shell snippets that build, test or install the tree, by their first words.
BUILD_COMMANDS = ("scripts/", "cmake", ".ci/", "build-bench/", "tapline-regsvr /usr/",
                  "python3 -m venv")


PAGES = [REPOSITORY / "README.md"] + sorted((REPOSITORY / "docs").glob("*.md"))


def snippets(language):
    """(page, snippet) for every fenced snippet of the language in the README and docs/."""
    found = []
    for page in PAGES:
        text = page.read_text(encoding="utf-8")
        for snippet in re.findall(r"^```%s\n(.*?)^```" % language, text, flags=re.S | re.M):
            found.append((page.relative_to(REPOSITORY).as_posix(), snippet))
    return found


class ReadmeSnippetTest(support.WorkspaceTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # The demo's layout inside the workspace: build-release/{bin,demo}.
        cls.root = cls.workspace.path("root")
        demo = os.path.join(cls.root, "build-release", "demo")
        os.makedirs(demo)
        shutil.copy(cls.workspace.sample, os.path.join(demo, "sample.edf"))
        os.symlink(os.path.dirname(os.environ["TAPLINE_LIBRARY"]),
                   os.path.join(cls.root, "build-release", "bin"))
        os.symlink(REPOSITORY / "examples", os.path.join(cls.root, "examples"))
        recordings = os.path.join(cls.root, "recordings")
        os.makedirs(recordings)
        shutil.copy(cls.workspace.sample, os.path.join(recordings, "night1.edf"))
        cls.environment = dict(os.environ, PATH=os.path.dirname(sys.executable) + os.pathsep +
                               os.environ["PATH"])

    def run_snippet(self, command, snippet):
        run = subprocess.run(command, cwd=self.root, env=self.environment, input=snippet,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             timeout=300)
        self.assertEqual(run.returncode, 0, "%s\n--- stdout\n%s--- stderr\n%s"
                         % (snippet, run.stdout, run.stderr))
        self.assertNotIn("Press any key", run.stdout)
        return run

    def test_python_snippets_run_as_scripts(self):
        found = snippets("python")
        self.assertGreaterEqual(len(found), 3)
        self.assertIn("README.md", [page for page, _ in found])
        for index, (page, snippet) in enumerate(found):
            with self.subTest(page=page, first_line=snippet.splitlines()[0]):
                script = os.path.join(self.root, "snippet%d.py" % index)
                with open(script, "w", encoding="utf-8") as file:
                    file.write(snippet)
                self.run_snippet([sys.executable, script], "")

    def test_shell_snippets_run_from_the_repository_root(self):
        runnable = [(page, s) for page, s in snippets("sh")
                    if not s.lstrip().startswith(BUILD_COMMANDS)]
        self.assertIn("README.md", [page for page, _ in runnable])
        for page, snippet in runnable:
            with self.subTest(page=page, first_line=snippet.splitlines()[0]):
                run = self.run_snippet(["bash", "-e"], snippet)
                self.assertIn("Channels: 8", run.stdout)


if __name__ == "__main__":
    unittest.main()

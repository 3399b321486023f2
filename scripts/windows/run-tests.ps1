# Runs the test programs of one build on Windows, without CTest: every test
# in a process of its own, as CTest runs them, with CTest's time limit of
# 120 seconds. The folder holds the three test programs, the program under
# test and the Active Desktop stand-in, as a build's bin folder does. FILTER
# (a wildcard pattern over Suite.Test, every test by default) picks the tests
# to run; one that matches none fails. Prints the output of each test that
# fails and each skipped test with its reason, and fails when any test fails
# or runs nothing:
#   run-tests.ps1 FOLDER [FILTER]
param([Parameter(Mandatory)] [string] $Folder, [string] $Filter = '*')
$ErrorActionPreference = 'Stop'
$Folder = (Resolve-Path $Folder).Path
$log = Join-Path $Folder 'test-output.txt'
$report = Join-Path $Folder 'test-report.xml'
$failed = @()
$skipped = @()
$count = 0
foreach ($program in 'backdrop_tests', 'backdrop_window_tests', 'backdrop_program_tests') {
    $exe = Join-Path $Folder "$program.exe"
    # The list names each suite flush left, ending in a dot, and its tests
    # indented below it, each maybe followed by a comment on its parameter.
    $suite = ''
    $tests = foreach ($line in & $exe --gtest_list_tests) {
        if ($line -match '^(\S+\.)') { $suite = $Matches[1] }
        elseif ($line -match '^\s+(\S+)') { $suite + $Matches[1] }
    }
    if ($LASTEXITCODE -ne 0 -or -not $tests) { throw "$program lists no tests" }
    foreach ($test in $tests | Where-Object { $_ -like $Filter }) {
        $count++
        Remove-Item $report -ErrorAction SilentlyContinue
        $process = Start-Process $exe "--gtest_filter=$test", "--gtest_output=xml:$report" -WorkingDirectory $Folder `
            -NoNewWindow -PassThru -RedirectStandardOutput $log -RedirectStandardError "$log.err"
        # The handle keeps the exit code readable once the process has ended.
        $null = $process.Handle
        if (-not $process.WaitForExit(120000)) {
            $process.Kill()
            $process.WaitForExit()
            $result = 'timed out'
        } elseif ($process.ExitCode -ne 0) {
            $result = "failed ($($process.ExitCode))"
        } else {
            # GoogleTest's report says whether the test ran: a name its
            # filter does not take runs nothing and still exits with 0.
            $case = if (Test-Path $report) { ([xml] (Get-Content -Raw $report)).SelectSingleNode('//testcase') }
            if (-not $case) {
                $result = 'ran no test'
            } elseif ($case.result -eq 'skipped') {
                # The message starts with the file and line on a line of their own.
                $reason = $case.SelectSingleNode('skipped').message -replace '^[^\n]*\n', ''
                $skipped += "$program $test ($reason)"
                continue
            } else {
                continue
            }
        }
        $failed += "$program $test $result"
        Write-Host "::group::$program $test $result"
        Get-Content $log, "$log.err"
        Write-Host '::endgroup::'
    }
}
if ($count -eq 0) { throw "No test matches $Filter" }
$skipped | ForEach-Object { Write-Host "SKIPPED: $_" }
Write-Host "$($count - $failed.Count - $skipped.Count) of $count tests passed, $($skipped.Count) skipped."
if ($failed) {
    $failed | ForEach-Object { Write-Host "FAILED: $_" }
    exit 1
}

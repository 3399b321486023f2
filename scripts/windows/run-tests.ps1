# Runs the test programs of one build on Windows, without CTest: every test
# in a process of its own, as CTest runs them, with CTest's time limit of
# 120 seconds. The folder holds the three test programs, the program under
# test and the Active Desktop stand-in, as a build's bin folder does. Prints
# the output of each test that fails, and fails when any does:
#   run-tests.ps1 FOLDER
param([Parameter(Mandatory)] [string] $Folder)
$ErrorActionPreference = 'Stop'
$Folder = (Resolve-Path $Folder).Path
$log = Join-Path $Folder 'test-output.txt'
$failed = @()
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
    foreach ($test in $tests) {
        $count++
        $process = Start-Process $exe "--gtest_filter=$test" -WorkingDirectory $Folder -NoNewWindow -PassThru `
            -RedirectStandardOutput $log -RedirectStandardError "$log.err"
        # The handle keeps the exit code readable once the process has ended.
        $null = $process.Handle
        if (-not $process.WaitForExit(120000)) {
            $process.Kill()
            $process.WaitForExit()
            $result = 'timed out'
        } elseif ($process.ExitCode -ne 0) {
            $result = "failed ($($process.ExitCode))"
        } else {
            continue
        }
        $failed += "$program $test"
        Write-Host "::group::$program $test $result"
        Get-Content $log, "$log.err"
        Write-Host '::endgroup::'
    }
}
Write-Host "$($count - $failed.Count) of $count tests passed."
if ($failed) {
    $failed | ForEach-Object { Write-Host "FAILED: $_" }
    exit 1
}

#pragma once

class CCommand;
class ConVar;

// Live and knives on three: three game restarts in a row, announced in chat
// and in the centre of the screen, after which the match is live (tk_lo3)
// or the knife round begins (tk_ko3). A live start executes the match
// configuration first and sets mp_startmoney back to tk_startmoney for the
// last restart, so that the live round begins with it. Restarts are counted through round_start,
// which the plug-in hands over while a sequence runs; the game acts on mp_restartgame in its next
// frame, so each restart follows the round start that asked for it.
class OnThreeSystem {
public:
    // The delays of the three restarts, in seconds.
    void Start(bool live) { Start(live, 1, 1, 3); }
    // Begins a sequence whether or not one runs; the commands check first.
    void Start(bool live, int first, int second, int third);
    bool IsRunning() const { return running; }
    // A round start while the sequence runs: the next restart, or the end.
    void OnRoundStart();
    // Every simulated frame: the first restart once the pause is over.
    void OnGameFrame();
    // Ends a sequence without a word: level changes abort it.
    void Stop();

    // Restart n (1 to 3): its chat line and the game's restart.
    void StartRound(int n);
    void RestartRound(int seconds);
    void Complete();
    void SleepFor(float seconds);
    void WakeUp();

    // The console commands tk_lo3 and tk_ko3.
    static void LiveOnThree(const CCommand& args);
    static void KnivesOnThree(const CCommand& args);

    // The longest match configuration name that fits its exec line.
    static constexpr int kMaxMatchConfigName = 121;
    // Whether the name may reach the console as the file to execute: a
    // relative path under cfg/ in letters, digits, '_', '-', '.' and '/',
    // without ".." or "//", short enough to go whole into its exec line. Anything
    // else could run a second command or reach a file outside cfg/.
    static bool IsPlainMatchConfigName(const char* name);

private:
    // The line that refuses the command, or null when it may run.
    static bool MayRun(bool live);
    // The match configuration's exec, when one is set; false when its name
    // is refused.
    static bool ExecMatchConfig();
    // mp_startmoney to tk_startmoney's value, when they differ.
    static void ResetStartMoney();

    static constexpr int kRestarts = 3;

    bool live = true;
    bool running = false;
    int restartsDone = 0;
    float nextThinkTime = 0.0f;
    bool sleeping = false;
    float wakeTime = 0.0f;
    int restartDelay[kRestarts] = {1, 1, 3};
};

extern ConVar tk_matchconfig;
extern ConVar tk_startmoney;

; The vura demo game. Its first scenes speak through the window's caption; the text scene at
; the end (STORY) speaks through message windows. Every part of the engine that lands adds its
; scene here.

    call SetWindowTitle("vura デモ")

    ; Transitions on: common int 0 is their switch.
    PushRef 0 12
    PushConst 0 1
    Assign
    Pop

    ; Layer 0 is drawn last, so it is on top: 0 the character, 1 a copy of her, 3 the
    ; background. Mask 0 is her silhouette, mask 1 the rule of the rule crossfade; the text
    ; scene uses layer 2 and masks 2 and 3 as well. Layers 4 to 6 are never drawn as layers:
    ; they hold the looks of the system buttons, of the title menu (later the save/load
    ; screen's and the history's panels) and the history's voice icon, with masks 4 to 6.
    call SetLayerCount(7)
    call SetMaskCount(7)
    call LoadMask(0, "chara_m")
    call LoadMask(1, "rule")
    call LoadMask(5, "menu_m")
    call LoadLayer(5, "menu")
    call SetLayerMask(5, 5)

    ; The opening movie (OPENING.AVI beside the game): it owns the sound output while it plays,
    ; and a click skips it. Command 102 gives the game its sound device back.
    call PlayAVI("opening", 0)
    call WaitAVI()
    call InitDirectSound()

    ; The sound: channels, the effect pack and the volumes.
    call CallSQX("SOUND")

    ; The switches of whole pages at once and of skipping unread text are common ints of their
    ; own, both left at 0. Without these calls both would read common int 0, the transitions'
    ; switch. A save does not keep them, so they are set here, before a game can be loaded.
    call SetNoWaitVariable(4)
    call SetSkipAllVariable(5)

    ; Saves carry a 160 x 120 picture of the screen, shown on the save/load screen.
    call SetThumbnailSize(160, 120)

    ; The title state: "back to title" on the right-click screen returns here, with the
    ; channels stopped, so the music starts after this line.
    call SetTitleData()
    call PlayDSB(0, "BGM", 1)

    ; The title: a night sky fades in over 32 steps with its menu, a clickable map of three
    ; hotspots (start, continue, quit) whose looks lie in layer 5; the pointer entering one ticks
    ; on channel 3, a click sounds on channel 1. Continue is greyed out until a game was saved:
    ; common int 6 holds the slot saved last (0 for none), and game flag 0 carries that to the
    ; map. The pick goes to game int 22.
    PushRef 0 2
    LoadVar 6 12
    PushConst 0 0
    Compare 4
    Assign
    Pop
    call LoadLayer(3, "title")
    call SetLayerSourceRect(3, 0, 0, -1, -1)
    call SetLayerVisible(3, 1)
    call ReadyToClickableMap(5, 3, "SE_HOVER", 1, "SE_CLICK", 220, 200, 0, 0, 200, 48, true, 220, 256, 0, 96, 200, 48, gf[0], 220, 312, 0, 48, 200, 48, true, 26)
    call StartupGraphicEffect(0, 32, false, 3)
    call SetWindowTitle("vura デモ: はじめる ／ つづきから ／ おわる")
title:
    call ClickableMapWait(22, 0)
    LoadVar 22 0
    PushConst 0 2
    Compare 0
    JumpIfTrue 0 quit
    LoadVar 22 0
    JumpIfFalse 0 start

    ; Continue: load the slot saved last (SLOTS loads slot game int 26 + 1 when game int 25
    ; is 1). A load that works never comes back here; one that fails leaves the title waiting.
    PushRef 25 0
    PushConst 0 1
    Assign
    Pop
    PushRef 26 0
    LoadVar 6 12
    PushConst 0 1
    Sub
    Assign
    Pop
    call CallSQX("SLOTS")
    Jump 0 title

start:
    call ClearClickableMap()

    ; The room grows from the centre through the rule picture.
    call LoadLayer(3, "room")
    call StartupGraphicEffect(1, 40, 1, false, 4)

    ; The character, drawn through her mask.
    call LoadLayer(0, "chara")
    call SetLayerSourceRect(0, 0, 0, -1, -1)
    call SetLayerPosition(0, 60, 30)
    call SetLayerMask(0, 0)
    call SetLayerVisible(0, 1)
    call StartupGraphicEffect(0, 16, false, 3)
    call SetWindowTitle("マスクで切り抜いたキャラクター (クリックで次へ)")
    call WaitClick(0)

    ; A darkened copy of her, shown by vertical stripes.
    call LoadLayer(1, "chara")
    call SetLayerSourceRect(1, 0, 0, -1, -1)
    call SetLayerPosition(1, 330, 30)
    call SetLayerMask(1, 0)
    call SetLayerBlend(1, 0, -120)
    call SetLayerVisible(1, 1)
    call StartupGraphicEffect(2, false, 2)
    call SetWindowTitle("暗くしたレイヤー (クリックで次へ)")
    call WaitClick(0)

    ; The copy half faded in, by staggered vertical stripes.
    call SetLayerBlend(1, 1, 128)
    call StartupGraphicEffect(4, false, 2)
    call SetWindowTitle("半分だけフェードしたレイヤー (クリックで次へ)")
    call WaitClick(0)

    ; An evening tone: it shows one composition late, so the second transition brings it.
    call SetScreenTone(0, -70)
    call StartupGraphicEffect(3, false, 2)
    call StartupGraphicEffect(5, false, 2)
    call SetWindowTitle("夕暮れのトーン (クリックで次へ)")
    call WaitClick(0)
    call SetScreenTone(-1, 0)
    call StartupGraphicEffect(-1, 1)

    ; Three clicks, counted in game int 20.
    PushRef 20 0
    PushConst 0 1
    Assign
    Pop
clicks:
    call SetWindowTitle("vura デモ: クリックしてください ({int:20}/3)")
    call WaitClick(0)
    call PlayDSB(1, "SE_CLICK", 0)
    PushRef 20 0
    Increment
    LoadVar 0 6            ; constant int 0: how many clicks
    Compare 3              ; counted so far <= wanted?
    JumpIfTrue 0 clicks

    ; Today's date and a die roll, through the string commands.
    call GetDateTime(0, 1, 2, 3, 4, 5)
    call ConcatStrings("今日は{int:0}月{int:1}日、", "サイコロは", 0)
    call Random(6, 10)
    PushRef 10 0
    Increment
    Pop
    call SetWindowTitle("{str:0}{int:10}です (クリックで次へ)")
    call WaitClick(10000)

    ; A script of its own, called and returned from.
    call CallSQX("GREETING")

    ; A timed wait; Ctrl cuts it short.
    call StartTimer()
    call SetWindowTitle("3秒待ちます (Ctrlで飛ばせます)")
    call WaitTimer(3000)

    ; The player's name, which Mina says: the family name in game string 2, the given name in
    ; game string 3. OK checks them (at most three full-width characters, no punctuation, no
    ; half-width kana or spaces) and asks to confirm.
    call SetWindowTitle("vura デモ: 名前を入力してください")
    call NameEntryDialog("鈴木", "ハル", gs[2], gs[3])

    ; The text scene; its last line is the demo's goodbye.
    call CallSQX("STORY")
quit:
    call StopDSB(0)
    End

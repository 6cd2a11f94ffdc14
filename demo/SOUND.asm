; Called from INIT before the title: sets up the demo's sound and returns.
;
; Channels: 0 the music, streamed; 1 the effects; 2 the voice; 3 the buttons' hover tick. The
; music lies loose in snd/, the effects and the voices in the pack snd\SE, which is pack 0 for
; channels 1 to 3.
; The volumes are common ints, so they last from one run to the next: 1 for the music, 2 for
; the effects and the voice. Common int 3 remembers that they were given their first values.

    call InitSoundChannels(4)
    call SetChannelStream(0, 1)
    call InitPackFiles(1)
    call SetPackFileName(0, "snd\\SE")
    call SetChannelPack(1, 0)
    call SetChannelPack(2, 0)
    call SetChannelPack(3, 0)

    LoadVar 3 12           ; common int 3: volumes already set?
    JumpIfTrue 0 volumes
    PushRef 1 12           ; music at 80
    PushConst 0 80
    Assign
    Pop
    PushRef 2 12           ; effects and voice at 100
    PushConst 0 100
    Assign
    Pop
    PushRef 3 12
    PushConst 0 1
    Assign
    Pop
volumes:
    ; Each channel follows its group's variable, scaled by its own percentage: the click a
    ; little below the voice.
    call SetChannelVolumeVariable(0, 1)
    call SetChannelVolumeVariable(1, 2)
    call SetChannelVolumeVariable(2, 2)
    call SetChannelVolumeVariable(3, 2)
    call SetChannelVolumePercent(0, 100)
    call SetChannelVolumePercent(1, 70)
    call SetChannelVolumePercent(2, 100)
    call SetChannelVolumePercent(3, 70)
    Return
